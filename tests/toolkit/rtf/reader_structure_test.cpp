// Destinations, formatting, paragraphs, tables and pictures.
#include "reader_test_util.h"

#include <gtest/gtest.h>

using testsupport::recordRtf;
using testsupport::rtfBody;
using namespace toolkit::rtf;

TEST(RtfDestinations, TablesAndPropertiesAreNotShown) {
    auto r = recordRtf(
        "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
        "{\\stylesheet{\\s1 Heading;}}{\\info{\\title Titel}{\\author Jemand}}"
        "{\\header Kopf}{\\footer Fuss}{\\*\\generator Gen;}x"
        "{\\footnote Note}{\\*\\atnid A}{\\*\\annotation Anm}y}");
    EXPECT_EQ(r.plain, u"xy");
}

TEST(RtfDestinations, UnknownIgnorableDestinationsAreSkippedKnownOnesShown) {
    EXPECT_EQ(rtfBody("a{\\*\\neverheardof b{c}d}e"), u"ae");
    // Without \* an unknown word is just ignored and its group's text is shown.
    EXPECT_EQ(rtfBody("a{\\neverheardof b}c"), u"abc");
    // Field: the instruction is hidden, the result is shown.
    EXPECT_EQ(rtfBody("{\\field{\\*\\fldinst{HYPERLINK \"http://x\"}}{\\fldrslt{\\ul Link}}}!"),
              u"Link!");
    // List numbering text is shown, the numbering definition is not.
    EXPECT_EQ(rtfBody("{\\*\\pn\\pnlvlblt{\\pntxtb X}}{\\pntext 1.\\tab}Eins"), u"1.\tEins");
    EXPECT_EQ(rtfBody("{\\listtext\\'95\\tab}Punkt"), u"•\tPunkt");
    // \upr carries an 8-bit and a Unicode version of the same text; only one is shown.
    EXPECT_EQ(rtfBody("{\\upr{Stra\\'dfe}{\\*\\ud{Stra\\u223?e}}}"), u"Straße");
}

TEST(RtfDestinations, BinaryDataMayHoldBraces) {
    auto r = recordRtf("{\\rtf1{\\pict\\pngblip\\bin4 }}{{}after\\par}");
    EXPECT_EQ(r.plain, u"\uFFFCafter\n");
    ASSERT_EQ(r.pictures.size(), 1u);
    EXPECT_EQ(r.pictures[0].data, "}}{{");
    EXPECT_EQ(rtfBody("a{\\bin3 }}}b}c"), u"abc");
    // A length beyond the input takes what is left and ends the document, nothing more.
    EXPECT_TRUE(recordRtf("{\\rtf1 a\\bin999999999 xyz").ended);
    EXPECT_EQ(recordRtf("{\\rtf1 a\\bin999999999 xyz").plain, u"a");
    EXPECT_EQ(rtfBody("a\\bin-5 b"), u"ab");
}

TEST(RtfFormatting, CharacterPropertiesAndGroupScope) {
    auto r = recordRtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fmodern Courier New;}}"
                       "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                       "N{\\b B{\\i BI}\\ul\\strike U}{\\f1\\fs40\\cf1\\highlight2 F}"
                       "x{\\super 2}{\\sub 3}\\b B\\b0 n\\i I\\plain P}");
    EXPECT_EQ(r.plain, u"NBBIUFx23BnIP");
    auto fmt = [&](std::u16string_view t) { return r.runWith(t)->format; };
    EXPECT_FALSE(fmt(u"N").bold);
    EXPECT_TRUE(fmt(u"BI").bold && fmt(u"BI").italic);
    EXPECT_TRUE(fmt(u"U").underline && fmt(u"U").strike && !fmt(u"U").italic);
    EXPECT_EQ(r.runWith(u"F")->font, "Courier New");
    EXPECT_EQ(fmt(u"F").halfPoints, 40);
    EXPECT_EQ(fmt(u"F").foreground, 0xFF0000u);
    EXPECT_EQ(fmt(u"F").background, 0x0000FFu);
    EXPECT_EQ(r.runWith(u"x")->font, "Arial");
    EXPECT_EQ(fmt(u"x").foreground, kAutoColour);
    EXPECT_EQ(fmt(u"2").valign, VerticalAlign::Super);
    EXPECT_EQ(fmt(u"3").valign, VerticalAlign::Sub);
    EXPECT_TRUE(r.runWith(u"Bn") == nullptr); // \b0 ends the bold run
    EXPECT_FALSE(fmt(u"n").bold);
    EXPECT_TRUE(fmt(u"I").italic);
    EXPECT_FALSE(fmt(u"P").italic);
}

TEST(RtfFormatting, HiddenTextIsDropped) {
    EXPECT_EQ(rtfBody("a{\\v secret}b\\v c\\v0 d"), u"abd");
    EXPECT_EQ(rtfBody("{\\v\\u252?}x"), u"x");
    EXPECT_TRUE(recordRtf("{\\rtf1{\\v{\\pict\\pngblip 00}}}").pictures.empty());
}

TEST(RtfFormatting, ParagraphPropertiesAndPard) {
    auto r = recordRtf("{\\rtf1\\pard\\qc\\li720\\ri360\\fi-360\\sb120\\sa240 Mitte\\par"
                       "\\qr Rechts\\par\\pard Links\\par{\\qj Block\\par}Wieder\\par}");
    EXPECT_EQ(r.plain, u"Mitte\nRechts\nLinks\nBlock\nWieder\n");
    ASSERT_EQ(r.paragraphs.size(), 5u);
    const ParaFormat& p = r.paragraphs[0];
    EXPECT_EQ(p.align, Alignment::Center);
    EXPECT_EQ(p.leftIndent, 720);
    EXPECT_EQ(p.rightIndent, 360);
    EXPECT_EQ(p.firstIndent, -360);
    EXPECT_EQ(p.spaceBefore, 120);
    EXPECT_EQ(p.spaceAfter, 240);
    EXPECT_EQ(r.paragraphs[1].align, Alignment::Right);
    EXPECT_EQ(r.paragraphs[1].leftIndent, 720); // kept until \pard
    EXPECT_EQ(r.paragraphs[2], ParaFormat{});
    EXPECT_EQ(r.paragraphs[3].align, Alignment::Justify);
    EXPECT_EQ(r.paragraphs[4].align, Alignment::Left);
}

TEST(RtfTables, RowsAndCells) {
    auto r =
        recordRtf("{\\rtf1 Vor\\par\\trowd\\trleft-108\\cellx1000\\cellx3000"
                  "\\pard\\intbl A\\cell B1\\par B2\\cell\\row"
                  "\\trowd\\cellx1000\\cellx3000\\intbl C\\cell D\\cell\\row\\pard Nach\\par}");
    EXPECT_EQ(r.plain, u"Vor\nA\tB1\nB2\nC\tD\nNach\n");
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[0].cellRightEdges, (std::vector<int>{1000, 3000}));
    EXPECT_EQ(r.rows[0].leftEdge, -108);
    EXPECT_EQ(r.rows[0].cellBackgrounds, (std::vector<Rgb>{kAutoColour, kAutoColour}));
    EXPECT_TRUE(r.paragraphs[1].inTable);
    EXPECT_FALSE(r.paragraphs.back().inTable);
}

TEST(RtfPictures, HexDataTypeAndSize) {
    auto r = recordRtf("{\\rtf1{\\*\\shppict{\\pict{\\*\\picprop x}\\pngblip\\picw10\\pich20"
                       "\\picwgoal150\\pichgoal300\\picscalex50 89 50\r\n4E47}}"
                       "{\\nonshppict{\\pict\\wmetafile8 0102}}{\\pict\\jpegblip\\bin2 \xff\xd8}}");
    ASSERT_EQ(r.pictures.size(), 2u);
    const Picture& png = r.pictures[0];
    EXPECT_EQ(png.type, PictureType::Png);
    EXPECT_EQ(png.data, "\x89PNG");
    EXPECT_EQ(png.widthPx, 10);
    EXPECT_EQ(png.goalHeightTwips, 300);
    EXPECT_EQ(png.scaleX, 50);
    EXPECT_EQ(r.pictures[1].type, PictureType::Jpeg);
    EXPECT_EQ(r.pictures[1].data, "\xff\xd8");
}

TEST(RtfTables, CellShadingAndTabStops) {
    auto r = recordRtf(
        "{\\rtf1{\\colortbl;\\red255\\green255\\blue0;}\\trowd\\clcbpat1\\cellx1000"
        "\\cellx2000\\pard\\intbl\\tx567\\tx1134 a\\tab b\\cell c\\cell\\row\\pard d\\par}");
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.rows[0].cellBackgrounds, (std::vector<Rgb>{0xFFFF00u, kAutoColour}));
    EXPECT_EQ(r.paragraphs.at(0).tabStops, (std::vector<int>{567, 1134}));
    EXPECT_TRUE(r.paragraphs.back().tabStops.empty()); // \\pard clears them
}

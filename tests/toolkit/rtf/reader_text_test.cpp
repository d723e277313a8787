// Characters: Unicode escapes and their fallbacks, code pages, special characters.
#include "reader_test_util.h"

#include <gtest/gtest.h>

using testsupport::recordRtf;
using testsupport::rtfBody;

TEST(RtfUnicode, EscapeReplacesItsFallbackCharacter) {
    EXPECT_EQ(rtfBody("K\\u220?CHE"), u"KÜCHE");
    EXPECT_EQ(rtfBody("\\u945a b"), u"α b");
    // The fallback of \u is counted in characters: a hex escape is one of them.
    EXPECT_EQ(rtfBody("{\\uc2\\u228\\'E8a}"), u"ä");
    EXPECT_EQ(rtfBody("{\\uc2\\u228\\'E8ab}"), u"äb");
    EXPECT_EQ(rtfBody("\\uc0\\u252 x"), u"üx");
}

TEST(RtfUnicode, SkipCountIsGroupScoped) {
    EXPECT_EQ(rtfBody("{\\uc2\\u228??}\\u246?x"), u"äöx");
    // A group boundary ends the fallback early.
    EXPECT_EQ(rtfBody("\\uc3\\u228{x}yz"), u"äxyz");
}

TEST(RtfUnicode, NegativeValuesAndSurrogatePairs) {
    EXPECT_EQ(rtfBody("\\u-3913?"), u"\uF0B7");
    EXPECT_EQ(rtfBody("\\u-10179?\\u-8704?"), u"\U0001F600");
    // Halves without their partner become replacement characters, never broken UTF-16.
    EXPECT_EQ(rtfBody("\\u-10179?x"), u"\uFFFDx");
    EXPECT_EQ(rtfBody("\\u-8704?x"), u"\uFFFDx");
    EXPECT_EQ(rtfBody("\\u-10179?\\par"), u"\uFFFD\n");
}

TEST(RtfCodePages, HexEscapeFollowsDocumentAndFontCharset) {
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi\\ansicpg1252 \\'dc}").plain, u"Ü");
    EXPECT_EQ(
        recordRtf("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset204 "
                  "B;}}\\f1 \\'dc\\'e0 \\f0 \\'dc}")
            .plain,
        u"Ьа Ü");
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi\\ansicpg1250 \\'8a\\'e8}").plain, u"Šč");
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi\\ansicpg1251 \\'c4}").plain, u"Д");
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset161 G;}}\\f0 \\'e1}").plain, u"α");
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset162 T;}}\\f0 \\'f0}").plain, u"ğ");
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset186 B;}}\\f0 \\'e0}").plain, u"ą");
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi{\\fonttbl{\\f0\\cpg1251 C;}}\\f0 \\'c4}").plain, u"Д");
}

TEST(RtfCodePages, CharacterSetKeywordsAndRawBytes) {
    EXPECT_EQ(recordRtf("{\\rtf1\\mac \\'80\\'9f}").plain, u"Äü");
    EXPECT_EQ(recordRtf("{\\rtf1\\pc \\'81\\'e1}").plain, u"üß");
    EXPECT_EQ(recordRtf("{\\rtf1\\pca \\'99\\'d5}").plain, u"Öı");
    // Unescaped 8-bit bytes are read in the same page.
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi \xc4rger}").plain, u"Ärger");
    // A page we do not know reads as Windows-1252.
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi\\ansicpg4711 \\'e4}").plain, u"ä");
}

TEST(RtfCodePages, DoubleBytePagesAndSymbolFonts) {
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0x}").plain, u"あx");
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0}").plain, u"中");
    // A lead byte without its trail byte does not swallow what follows.
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi\\ansicpg950 {\\'a4}x}").plain, u"\uFFFDx");
    EXPECT_EQ(recordRtf("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset2 Symbol;}}\\f0 \\'b7 a}").plain,
              u"• α");
    auto wingdings = recordRtf("{\\rtf1\\ansi{\\fonttbl{\\f3\\fnil\\fcharset2 Wingdings;}}"
                               "{\\f3 \\'a7}\\tab x}");
    EXPECT_EQ(wingdings.plain, u"▪\tx");
    // The glyph has become a Unicode character, so the symbol font is not asked for.
    EXPECT_EQ(wingdings.runs.at(0).font, "");
}

TEST(RtfSpecialCharacters, WordsAndSymbols) {
    EXPECT_EQ(rtfBody("a\\emdash b\\endash c\\bullet d"), u"a—b–c•d");
    EXPECT_EQ(rtfBody("\\lquote x\\rquote \\ldblquote y\\rdblquote"), u"‘x’“y”");
    EXPECT_EQ(rtfBody("a\\~b\\_c\\-d"), u"a\u00A0b\u2011cd");
    EXPECT_EQ(rtfBody("\\{x\\} \\\\"), u"{x} \\");
    EXPECT_EQ(rtfBody("a\\emspace b\\enspace c\\qmspace d"), u"a\u2003b\u2002c\u2005d");
    EXPECT_EQ(rtfBody("a\\tab b\\line c"), u"a\tb\u2028c");
    // Line ends in the source are no text; a backslash before one is a paragraph mark.
    EXPECT_EQ(rtfBody("a\r\nb\\\nc\\\rd"), u"ab\nc\nd");
}

TEST(RtfSpecialCharacters, ControlWordSyntax) {
    // The space after a control word delimits it; a second space is text.
    EXPECT_EQ(rtfBody("\\b  x\\b0 y"), u" xy");
    // Control words end at the first non-letter, parameters may be negative.
    EXPECT_EQ(rtfBody("\\fi-360x\\li720-y"), u"x-y");
    EXPECT_EQ(rtfBody("\\'zz!"), u"zz!");
    // Control bytes in the source are not text.
    EXPECT_EQ(rtfBody(std::string("a\x01\0b", 4)), u"ab");
}

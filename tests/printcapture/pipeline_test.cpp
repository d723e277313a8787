// The receive pipeline without a window: line splitting, conversion, styles, the bound.
#include "printcapture/CapturePipeline.h"
#include "tools/printersim/PrintedLines.h"

#include <gtest/gtest.h>

using printcapture::convertLine;
using printcapture::LineBuffer;
using printcapture::LineStyle;
using printcapture::styleForLine;

TEST(LineBuffer, TakesOneLineEndedByLfCrAtATime) {
    LineBuffer b;
    b.append("ABC\x0A\x0D"
             "DEF\x0A\x0D");
    EXPECT_EQ(b.takeLine(), "ABC");
    EXPECT_EQ(b.size(), 5u);
    EXPECT_EQ(b.takeLine(), "DEF");
    EXPECT_EQ(b.size(), 0u);
    EXPECT_EQ(b.takeLine(), std::nullopt);
}

TEST(LineBuffer, ALineSplitOverReadsIsTakenOnceWhenComplete) {
    LineBuffer b;
    b.append("AB");
    EXPECT_EQ(b.takeLine(), std::nullopt);
    b.append("C\x0A");
    EXPECT_EQ(b.takeLine(), std::nullopt); // LF alone is no line end yet
    b.append("\x0D");
    EXPECT_EQ(b.takeLine(), "ABC");
    EXPECT_TRUE(b.empty());
}

TEST(LineBuffer, CrLfAndLoneCrOrLfStayInsideTheLine) {
    LineBuffer b;
    b.append("AB\x0D\x0A"
             "CD\x0A\x0D");
    EXPECT_EQ(b.takeLine(), "AB\x0D\x0A"
                            "CD");
    b.append("x\x0Dy\x0Az\x0A\x0D");
    EXPECT_EQ(b.takeLine(), "x\x0Dy\x0Az");
    b.append("\x0A\x0A\x0D"); // LF, then the line end LF CR: one line holding a lone LF
    EXPECT_EQ(b.takeLine(), "\x0A");
}

TEST(LineBuffer, AStreamWithoutLineEndsWaitsAndIsCounted) {
    LineBuffer b;
    for (int i = 0; i < 100; ++i) {
        b.append("0123456789\x0D\x0A");
        EXPECT_EQ(b.takeLine(), std::nullopt);
    }
    EXPECT_EQ(b.size(), 1200u);
}

TEST(LineBuffer, OverItsBoundShowsTheOldestBytesAndLosesNothing) {
    LineBuffer b;
    std::string sent;
    std::string shown;
    for (int read = 0; read < 700; ++read) {
        std::string chunk(2048, static_cast<char>('a' + read % 26));
        sent += chunk;
        b.append(chunk);
        // What the poll does: one line, more while over the bound.
        if (auto line = b.takeLine()) {
            shown += *line;
        }
        while (b.overBound()) {
            auto line = b.takeLine();
            ASSERT_TRUE(line.has_value());
            EXPECT_EQ(line->size(), LineBuffer::kOverflowLine);
            shown += *line;
        }
        ASSERT_LE(b.size(), LineBuffer::kBound);
    }
    EXPECT_EQ(shown + std::string(b.pending()), sent);
    // A line end after the flood still ends a line of its own.
    b.append("\x0A\x0D"
             "tail\x0A\x0D");
    while (auto line = b.takeLine()) {
        shown += *line + "|";
    }
    EXPECT_TRUE(shown.ends_with("|tail|")) << shown.substr(shown.size() - 20);
}

TEST(ConvertLine, TurnsCodePage437LettersIntoWindows1252AndDropsDC1) {
    EXPECT_EQ(convertLine("\x81\x11\x84"), "\xFC\xE4"); // ü ä
    EXPECT_EQ(convertLine("\x8E\x99\x9A\x84\x94\x81\xE1"), "\xC4\xD6\xDC\xE4\xF6\xFC\xDF");
    EXPECT_EQ(convertLine("\x11\x11"), "");
    // Other bytes, code page 437 box drawing included, pass as they are.
    EXPECT_EQ(convertLine("A\x13\xC4\xB3\x80\x0D\x0A"), "A\x13\xC4\xB3\x80\x0D\x0A");
}

TEST(StyleForLine, FirstByteDecidesForLinesOfTwoOrMore) {
    EXPECT_EQ(styleForLine(" Melder"), LineStyle::Regular);
    EXPECT_EQ(styleForLine("\x09Tab"), LineStyle::Regular);
    EXPECT_EQ(styleForLine("Melder"), LineStyle::Bold);
    EXPECT_EQ(styleForLine("0042 Alarm"), LineStyle::Bold);
    EXPECT_EQ(styleForLine(convertLine("\x8Enderung")), LineStyle::Bold); // Ä
    EXPECT_EQ(styleForLine("-"), std::nullopt);
    EXPECT_EQ(styleForLine(""), std::nullopt);
    EXPECT_EQ(styleForLine(convertLine("\x11X")), std::nullopt); // one character after DC1 goes
}

TEST(Markers, StartWithZeroStarAndCarryTheTime) {
    EXPECT_EQ(printcapture::startMarker("14:05:09"), "0****  Start Aufzeichnung 14:05:09");
    EXPECT_EQ(printcapture::endMarker("14:05:09"), "0****  Ende Aufzeichnung 14:05:09");
}

TEST(TrimBlock, IsOnePercentOfTheLimitPlusOne) {
    EXPECT_EQ(printcapture::trimBlock(500), 6);
    EXPECT_EQ(printcapture::trimBlock(12000), 121);
    EXPECT_EQ(printcapture::trimBlock(32000), 321);
    EXPECT_EQ(printcapture::trimBlock(99), 1);
    EXPECT_EQ(printcapture::trimBlock(-150), 0);
}

// The simulator's idea of a printed line and the window's conversion must agree, or the
// end-to-end comparison would prove nothing.
TEST(PrinterSimLines, ConvertToWhatTheSimulatorMeantToShow) {
    int dc1 = 0;
    int umlauts = 0;
    int keeps = 0;
    for (int i = 0; i < 2000; ++i) {
        const auto line = printersim::makeLine(7, i);
        ASSERT_EQ(convertLine(line.wire), line.shown) << i;
        ASSERT_EQ(line.wire.find("\x0A\x0D"), std::string::npos);
        dc1 += line.wire.find('\x11') != std::string::npos;
        umlauts += line.wire.find_first_of("\x8E\x99\x9A\x84\x94\x81\xE1") != std::string::npos;
        keeps += line.style == printersim::ExpectedStyle::Keep;
    }
    EXPECT_GT(dc1, 100);
    EXPECT_GT(umlauts, 1000);
    EXPECT_GT(keeps, 100);
    EXPECT_EQ(printersim::makeLine(7, 5).wire, printersim::makeLine(7, 5).wire);
    EXPECT_NE(printersim::makeLine(7, 5).wire, printersim::makeLine(8, 5).wire);
}

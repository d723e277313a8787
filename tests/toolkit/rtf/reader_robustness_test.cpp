// Damaged and hostile input: the reader must finish with what it could read.
#include "reader_test_util.h"

#include <gtest/gtest.h>

using testsupport::recordRtf;
using testsupport::rtfBody;

TEST(RtfRobustness, DeepNestingIsSkippedNotRecursed) {
    const int depth = 1'000'000;
    std::string doc = "{\\rtf1 a" + std::string(depth, '{') + "x" + std::string(depth, '}') + "b}";
    auto r = recordRtf(doc);
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(r.plain.front(), u'a');
    EXPECT_EQ(r.plain.back(), u'b');
    // Moderate nesting is read in full.
    std::string doc2 = "{\\rtf1 a" + std::string(50, '{') + "x" + std::string(50, '}') + "b}";
    EXPECT_EQ(recordRtf(doc2).plain, u"axb");
}

TEST(RtfRobustness, UnbalancedAndTruncatedInput) {
    EXPECT_EQ(recordRtf("{\\rtf1 a}}}}b").plain, u"a");
    EXPECT_EQ(recordRtf("}}{\\rtf1 a}").plain, u"a");
    EXPECT_EQ(recordRtf("{\\rtf1 a{\\b b{\\i c").plain, u"abc");
    EXPECT_EQ(recordRtf("{\\rtf1 a\\").plain, u"a");
    EXPECT_EQ(recordRtf("{\\rtf1 a\\'4").plain, u"a4");
    EXPECT_EQ(recordRtf("").plain, u"");
    EXPECT_TRUE(recordRtf("").ended);
    // Every prefix of a document with all kinds of content reads without harm.
    std::string doc = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset204 A;}}"
                      "{\\colortbl;\\red1\\green2\\blue3;}{\\*\\x y}\\trowd\\cellx99\\intbl"
                      "\\'c4\\u-10179?\\u-8704?{\\pict\\pngblip 8950\\bin2 ab}\\cell\\row"
                      "{\\field{\\*\\fldinst X}{\\fldrslt Y}}\\uc2\\u228\\'e4\\'e4\\par}";
    for (std::size_t n = 0; n <= doc.size(); ++n) {
        auto r = recordRtf(std::string_view(doc).substr(0, n));
        ASSERT_TRUE(r.ended) << n;
    }
}

TEST(RtfRobustness, ParametersAreClamped) {
    auto r = recordRtf("{\\rtf1\\fs999999999999999999 a\\fs-5 b{\\uc99999999\\u65 xyz}"
                       "\\li-99999999999\\cf99999\\f-7 c\\u99999999?d\\par}");
    EXPECT_EQ(r.plain, u"abAc\uFFFDd\n");
    EXPECT_LE(r.runs.at(0).format.halfPoints, 1000);
    EXPECT_EQ(r.runs.at(1).format.halfPoints, 24);
    EXPECT_GE(r.paragraphs.at(0).leftIndent, -31680);
    // A control word of absurd length is cut, not grown.
    EXPECT_EQ(rtfBody("\\" + std::string(100000, 'b') + " x"), u"x");
}

TEST(RtfRobustness, TooManyCellsAreCapped) {
    std::string doc = "{\\rtf1\\trowd";
    for (int i = 0; i < 10000; ++i) {
        doc += "\\cellx" + std::to_string(i * 10);
    }
    doc += "\\intbl a\\cell\\row}";
    auto r = recordRtf(doc);
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_LE(r.rows[0].cellRightEdges.size(), 63u);
}

TEST(RtfRobustness, TextAfterTheDocumentIsIgnored) {
    EXPECT_EQ(recordRtf("{\\rtf1 a}\0\0garbage{\\b x}").plain, u"a");
}

// Documents written by real word processors: each must read completely and show its visible
// text in order and in its styles.
#include "reader_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace toolkit::rtf;
using testsupport::RecordingSink;

namespace {

fs::path corpusDir() {
    return fs::path(KORVEL_RTF_CORPUS);
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class RtfCorpus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::is_directory(corpusDir())) {
            GTEST_SKIP() << "RTF corpus not found at " << corpusDir()
                         << " (the shared folder lies beside the project in CI)";
        }
    }
    RecordingSink load(const char* name) {
        std::string bytes = slurp(corpusDir() / name);
        EXPECT_FALSE(bytes.empty()) << name;
        return testsupport::recordRtf(bytes);
    }
};

// Each needle must occur after the previous one.
void expectInOrder(const std::u16string& text, std::initializer_list<std::u16string_view> needles) {
    std::size_t pos = 0;
    for (auto needle : needles) {
        std::size_t found = text.find(needle, pos);
        ASSERT_NE(found, std::u16string::npos) << "missing or out of order";
        pos = found + needle.size();
    }
}

} // namespace

TEST_F(RtfCorpus, EveryDocumentReadsToItsEnd) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(corpusDir())) {
        if (entry.path().extension() != ".rtf") {
            continue;
        }
        auto r = testsupport::recordRtf(slurp(entry.path()));
        EXPECT_TRUE(r.ended) << entry.path();
        EXPECT_FALSE(r.plain.empty()) << entry.path();
        // Nothing of the document's machinery leaks into the text.
        EXPECT_EQ(r.plain.find(u"\\"), std::u16string::npos) << entry.path();
        EXPECT_EQ(r.plain.find(u"fonttbl"), std::u16string::npos) << entry.path();
        ++count;
    }
    EXPECT_GE(count, 15);
}

TEST_F(RtfCorpus, UnicodeAndFallbacks) {
    EXPECT_EQ(load("pandoc_unicode.rtf").plain, u"“hi”‘hi’\uF0B7αä\n");
    auto r = load("rpk_testUnicode.rtf");
    expectInOrder(r.plain, {u"Արամ", u"Johann Strauß", u"België", u"René Magritte", u"বাংলা",
                            u"中国", u"Česká republika"});
    auto neg = load("rpk_testNegativeUnicode.rtf");
    expectInOrder(neg.plain, {u"From: ", u"http://unicode-table.com/en/#private-use-area",
                              u"F700\uF700\uF701", u"F710\uF710"});
    EXPECT_TRUE(neg.runWith(u"http://")->format.underline);
    EXPECT_EQ(neg.runWith(u"http://")->format.foreground, 0x0000FFu);
    EXPECT_EQ(load("rtfpipe_open_office_special_char.rtf").plain, u"ú\u04E4\n");
}

TEST_F(RtfCorpus, SpecialCharacters) {
    auto r = load("rpk_testSpecialChars.rtf");
    expectInOrder(r.plain,
                  {u"Tab A\tB\n", u"CR A\nB\n", u"LF A\nB\n",
                   u"This is a line break.\u2028Here is the new line.", u"Emdash: —", u"Endash: –",
                   u"Bullet: •", u"Lquote: ‘", u"Rquote: ’", u"Ldblquote: “", u"Rdblquote: ”"});
}

TEST_F(RtfCorpus, FormattingAndHiddenText) {
    auto r = load("pandoc_formatting.rtf");
    expectInOrder(r.plain, {u"This is a test of ", u"formatting.", u"This is hidden: .",
                            u"Small Caps", u"bold", u"italics", u"bold and italics", u"underlined",
                            u"strikeout", u"x", u"superscript", u"x", u"subscript"});
    EXPECT_TRUE(r.runWith(u"formatting")->format.allCaps);
    EXPECT_TRUE(r.runWith(u"Small Caps")->format.smallCaps);
    EXPECT_TRUE(r.runWith(u"underlined")->format.underline);
    EXPECT_TRUE(r.runWith(u"strikeout")->format.strike);
    EXPECT_EQ(r.runWith(u"superscript")->format.valign, VerticalAlign::Super);
    EXPECT_EQ(r.runWith(u"subscript")->format.valign, VerticalAlign::Sub);
    // The document's info block names an operator; it is no part of the text.
    EXPECT_EQ(r.plain.find(u"MacFarlane"), std::u16string::npos);

    auto mac = load("rtfpipe_os_x_text_edit_faces_mixed.rtf");
    expectInOrder(mac.plain, {u"Normal text", u"added color no color", u"bold normal",
                              u"bold&italics", u"font-geneva"});
    EXPECT_EQ(mac.runWith(u"bold&italics")->font, "Helvetica-BoldOblique");
    EXPECT_TRUE(mac.runWith(u"bold&italics")->format.italic);
    EXPECT_EQ(mac.runWith(u"font-geneva")->font, "Geneva");
}

TEST_F(RtfCorpus, Tables) {
    EXPECT_EQ(load("pandoc_table_simple.rtf").plain, u"\nA \tB \tC \tD \nE \tF \tG \tH \n");
    auto r = load("rtfpipe_table_simple2.rtf");
    expectInOrder(r.plain, {u"2 X 2 Table", u"Cell one\tCell two\n", u"Cell three\tCell four\n"});
    EXPECT_EQ(r.rows.size(), 2u);
}

TEST_F(RtfCorpus, PicturesAndObjects) {
    auto image = load("pandoc_image.rtf");
    ASSERT_EQ(image.pictures.size(), 1u);
    EXPECT_EQ(image.pictures[0].type, PictureType::Jpeg);
    EXPECT_EQ(image.pictures[0].data.substr(0, 2), "\xff\xd8");
    auto object = load("rtfpipe_PictureObjectEmbed2.rtf");
    ASSERT_EQ(object.pictures.size(), 1u); // the object's result picture, not its data
}

TEST_F(RtfCorpus, HtmlMailInBig5) {
    auto r = load("rtfpipe_Issue52.rtf");
    expectInOrder(r.plain,
                  {u"Attorney-Client Communication-Privileged/Confidential.",
                   u"Applicant: XXXXXXXX Chemical Co., Ltd.", u"Dear Sirs,", u"Patent Attorneys"});
    // The HTML tags it carries for mail programs are not shown.
    EXPECT_EQ(r.plain.find(u"<DIV>"), std::u16string::npos);
    EXPECT_EQ(r.plain.find(u"\uFFFD"), std::u16string::npos);
    EXPECT_TRUE(r.runWith(u"Attorney-Client")->format.italic);
}

TEST_F(RtfCorpus, OlderWordDocuments) {
    auto r = load("rtfpipe_old1_from_web.rtf");
    expectInOrder(r.plain,
                  {u"Lemon Shark Adoption Report\n", u"the ‘80s", u"Samuel H. Gruber", u"8/24/99"});
    EXPECT_EQ(r.paragraphs.at(0).align, Alignment::Center);
    auto issue = load("rpk_testGitHubIssue6.rtf");
    expectInOrder(issue.plain, {u"INNEN. KÜCHE - TAG", u"Hier ist die zweite Szene."});
    auto heading = load("rtfpipe_Issue42.rtf");
    EXPECT_TRUE(heading.runWith(u"Overview of Policy/Claims")->format.bold);
    EXPECT_EQ(heading.runWith(u"Overview of Policy/Claims")->format.halfPoints, 32);
}

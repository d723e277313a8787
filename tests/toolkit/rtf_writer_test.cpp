#include "common/LineViewEntry.h"
#include "common/RtfReadBack.h"
#include "toolkit/LineView.h"
#include "toolkit/RtfWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QTextCharFormat colour(const QColor& c) {
    QTextCharFormat f;
    f.setForeground(c);
    return f;
}

const QColor kBlue(0, 0, 255);
const QColor kBlack(0, 0, 0);

} // namespace

TEST(RtfWriter, EachLineKeepsItsColourAndTextReadsBackByteForByte) {
    toolkit::LineView view;
    testsupport::appendEntry8(view,
                              "# Schnittstelle ist ge\xF6"
                              "ffnet.\r  Jetzt RESET am Panel durchf\xFChren.",
                              colour(kBlue));
    testsupport::appendEntry8(view, "path C:\\korvel {x} \x80 \xFF\ttab", colour(kBlack));
    testsupport::appendEntry8(view, "# m", colour(kBlue));
    testsupport::appendEntry8(view, "", colour(kBlack));

    const std::string rtf = toolkit::rtfFromLineView(view);
    // Only 7-bit text in the file: the readers take bytes from 0x80 on as \'hh.
    for (char c : rtf) {
        ASSERT_LT(static_cast<unsigned char>(c), 0x80);
    }
    EXPECT_NE(rtf.find("\\ansicpg1252"), std::string::npos);
    EXPECT_NE(rtf.find("\\'f6"), std::string::npos);

    const testsupport::RtfReadBack back = testsupport::readBackRtf(rtf);
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.fontName, "Courier New");
    ASSERT_EQ(back.paragraphs.size(), 5u);
    EXPECT_EQ(back.paragraphs[0].text(), "# Schnittstelle ist ge\xF6"
                                         "ffnet.");
    EXPECT_EQ(back.paragraphs[0].colour(), kBlue);
    EXPECT_EQ(back.paragraphs[1].text(), "  Jetzt RESET am Panel durchf\xFChren.");
    EXPECT_EQ(back.paragraphs[1].colour(), kBlue);
    EXPECT_EQ(back.paragraphs[2].text(), "path C:\\korvel {x} \x80 \xFF\ttab");
    EXPECT_EQ(back.paragraphs[2].colour(), kBlack);
    EXPECT_EQ(back.paragraphs[3].colour(), kBlue);
    EXPECT_EQ(back.paragraphs[4].text(), "");
}

TEST(RtfWriter, EscapesWhatWouldEndAControlWordOrAGroup) {
    EXPECT_EQ(toolkit::rtfEscape("a\\b{c}d"), "a\\\\b\\{c\\}d");
    EXPECT_EQ(toolkit::rtfEscape("\xE4\x01"), "\\'e4\\'01");
    // Digits and letters after a colour switch stay text: the switch ends with a blank.
    toolkit::LineView view;
    testsupport::appendEntry8(view, "123", colour(kBlue));
    const testsupport::RtfReadBack back = testsupport::readBackRtf(toolkit::rtfFromLineView(view));
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.paragraphs.at(0).text(), "123");
}

TEST(RtfWriter, SaveReplacesAFileAndReportsAFolderItCannotWrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("protokoll.rtf"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old content that is longer than the new one ..............................");
    }
    toolkit::LineView view;
    testsupport::appendEntry8(view, "neu", colour(kBlack));
    QString error;
    ASSERT_TRUE(toolkit::saveLineViewAsRtf(view, path, &error)) << error.toStdString();
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const testsupport::RtfReadBack back = testsupport::readBackRtf(saved.readAll().toStdString());
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.paragraphs.at(0).text(), "neu");

    EXPECT_FALSE(toolkit::saveLineViewAsRtf(view, dir.filePath("missing/x.rtf"), &error));
    EXPECT_FALSE(error.isEmpty());
}

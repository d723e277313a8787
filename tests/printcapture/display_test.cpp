// The capture display at its text limit: room is made, nothing is dropped silently.
#include "printcapture/CaptureDisplay.h"
#include "toolkit/LineView.h"

#include <gtest/gtest.h>

using printcapture::appendMakingRoom;

namespace {
QString line(int i) {
    return QStringLiteral("Zeile %1").arg(i, 3, 10, QLatin1Char('0')); // 9 characters
}
} // namespace

TEST(AppendMakingRoom, DeletesOldestBlocksInsteadOfDroppingTheNewLine) {
    toolkit::LineView v;
    v.setTextLimit(100); // ten lines of nine characters and their line ends
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(appendMakingRoom(v, line(i), {}, 3)) << i;
        ASSERT_LE(v.characterCount(), 100);
    }
    const QStringList lines = v.toPlainText().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.last(), line(39));
    // The kept lines are the newest, in order, without gaps.
    for (int k = 1; k < lines.size(); ++k) {
        EXPECT_EQ(lines[k], line(39 - (lines.size() - 1 - k)));
    }
    EXPECT_GE(lines.size(), 7);
}

TEST(AppendMakingRoom, ShowsATextLongerThanTheLimitInPieces) {
    toolkit::LineView v;
    v.setTextLimit(10);
    ASSERT_TRUE(appendMakingRoom(v, QStringLiteral("0123456789ABCDEFGHIJ"), {}, 1));
    EXPECT_LE(v.characterCount(), 10);
    EXPECT_TRUE(v.toPlainText().endsWith(QStringLiteral("J")));
}

TEST(AppendMakingRoom, AWidgetThatRefusesKeepsItsLines) {
    toolkit::LineView v;
    v.setTextLimit(1000);
    appendMakingRoom(v, line(1), {}, 1);
    v.setFailAppends(true);
    EXPECT_FALSE(appendMakingRoom(v, line(2), {}, 1));
    EXPECT_EQ(v.lineCount(), 1);
}

// One line longer than the whole display used to be cut into pieces that each needed an empty
// display, so the display ended with a single short piece. Now it ends nearly full, with the
// line's end, and the pieces before are the line's text in order.
TEST(AppendMakingRoom, AnOverLongLineKeepsAsMuchAsTheLimitAllows) {
    toolkit::LineView v;
    v.setTextLimit(100000);
    for (int i = 0; i < 500; ++i) {
        ASSERT_TRUE(appendMakingRoom(v, line(i), {}, 121));
    }
    QString longLine;
    for (int i = 0; longLine.size() < 100500; ++i) {
        longLine += QString::number(i) + QLatin1Char(' ');
    }
    ASSERT_TRUE(appendMakingRoom(v, longLine, {}, 121));
    EXPECT_LE(v.characterCount(), 100000);
    EXPECT_GT(v.characterCount(), 100000 - 2 * printcapture::kPieceLength);
    const QString shown = v.toPlainText().remove(QLatin1Char('\n'));
    EXPECT_TRUE(longLine.endsWith(shown));
}

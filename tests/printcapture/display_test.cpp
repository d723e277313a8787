// The capture display at its character bound: room is made, as much as needed and no more.
#include "printcapture/CaptureDisplay.h"
#include "toolkit/LineView.h"

#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

using printcapture::appendMakingRoom;

namespace {
QString line(int i) {
    return QStringLiteral("Zeile %1").arg(i, 3, 10, QLatin1Char('0')); // 9 characters
}
} // namespace

// At the limit a line takes the room it needs and no more: one line of the same length
// deletes one old line, a line three times as long deletes three, and the kept lines are the
// newest, in order. Room used to be made in blocks of the trim's size.
TEST(AppendMakingRoom, DeletesOnlyTheOldestLinesTheNewLineNeeds) {
    toolkit::LineView v;
    v.setTextLimit(100); // ten lines of nine characters and their line ends
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(appendMakingRoom(v, line(i), {})) << i;
        ASSERT_LE(v.characterCount(), 100);
    }
    EXPECT_EQ(v.lineCount(), 10);
    QStringList lines = v.toPlainText().split(QLatin1Char('\n'));
    for (int k = 0; k < lines.size(); ++k) {
        EXPECT_EQ(lines[k], line(30 + k));
    }
    const QString triple = line(40) + line(41) + line(42); // 27 characters and a line end
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    ASSERT_TRUE(appendMakingRoom(v, triple, bold));
    lines = v.toPlainText().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.size(), 8);
    EXPECT_EQ(lines.first(), line(33));
    EXPECT_EQ(lines.last(), triple);
    // The new line has its own style, and the lines before keep theirs.
    const auto weight = [](const QTextBlock& b) {
        return b.begin().fragment().charFormat().fontWeight();
    };
    EXPECT_EQ(weight(v.document()->lastBlock()), QFont::Bold);
    EXPECT_EQ(weight(v.document()->lastBlock().previous()), QFont::Normal);
    ASSERT_TRUE(appendMakingRoom(v, line(43), {}));
    EXPECT_EQ(weight(v.document()->lastBlock()), QFont::Normal);
    // Line ends inside an entry count once each, CR LF included.
    EXPECT_EQ(v.entrySize(QStringLiteral("ab\r\ncd\ne")), 8); // "ab", "cd", "e", three ends
}

TEST(AppendMakingRoom, ShowsATextLongerThanTheLimitInPieces) {
    toolkit::LineView v;
    v.setTextLimit(10);
    ASSERT_TRUE(appendMakingRoom(v, QStringLiteral("0123456789ABCDEFGHIJ"), {}));
    EXPECT_LE(v.characterCount(), 10);
    EXPECT_TRUE(v.toPlainText().endsWith(QStringLiteral("J")));
}

TEST(AppendMakingRoom, AWidgetThatRefusesKeepsItsLines) {
    toolkit::LineView v;
    v.setTextLimit(1000);
    appendMakingRoom(v, line(1), {});
    v.setFailAppends(true);
    EXPECT_FALSE(appendMakingRoom(v, line(2), {}));
    EXPECT_EQ(v.lineCount(), 1);
}

// One line longer than the whole display used to be cut into pieces that each needed an empty
// display, so the display ended with a single short piece. Now it ends nearly full, with the
// line's end, and the pieces before are the line's text in order.
TEST(AppendMakingRoom, AnOverLongLineKeepsAsMuchAsTheLimitAllows) {
    toolkit::LineView v;
    v.setTextLimit(100000);
    for (int i = 0; i < 500; ++i) {
        ASSERT_TRUE(appendMakingRoom(v, line(i), {}));
    }
    QString longLine;
    for (int i = 0; longLine.size() < 100500; ++i) {
        longLine += QString::number(i) + QLatin1Char(' ');
    }
    ASSERT_TRUE(appendMakingRoom(v, longLine, {}));
    EXPECT_LE(v.characterCount(), 100000);
    EXPECT_GT(v.characterCount(), 100000 - 2 * printcapture::kPieceLength);
    const QString shown = v.toPlainText().remove(QLatin1Char('\n'));
    EXPECT_TRUE(longLine.endsWith(shown));
}

#include "toolkit/Dialogs.h"
#include "toolkit/LineView.h"

#include <QTextBlock>
#include <gtest/gtest.h>

using toolkit::LineView;

namespace {
QTextCharFormat colour(Qt::GlobalColor c) {
    QTextCharFormat f;
    f.setForeground(QColor(c));
    return f;
}
QColor colourOfLine(const LineView& v, int line) {
    QTextBlock b = v.document()->findBlockByNumber(line);
    return b.begin().fragment().charFormat().foreground().color();
}
} // namespace

TEST(LineView, EachEntryIsALineAndLineEndsInsideStartNewLines) {
    LineView v;
    EXPECT_EQ(v.lineCount(), 0);
    ASSERT_TRUE(v.appendEntry(QStringLiteral("eins"), colour(Qt::black)));
    ASSERT_TRUE(v.appendEntry(QStringLiteral("zwei\rdrei"), colour(Qt::blue)));
    ASSERT_TRUE(v.appendEntry(QStringLiteral("vier\r\nfünf"), colour(Qt::black)));
    EXPECT_EQ(v.lineCount(), 5);
    EXPECT_EQ(v.toPlainText(), QStringLiteral("eins\nzwei\ndrei\nvier\nfünf"));
    EXPECT_EQ(colourOfLine(v, 0), QColor(Qt::black));
    EXPECT_EQ(colourOfLine(v, 2), QColor(Qt::blue));
}

TEST(LineView, TextLimitRefusesWholeEntries) {
    LineView v;
    v.setTextLimit(10);
    EXPECT_TRUE(v.appendEntry(QStringLiteral("12345"), {}));
    EXPECT_TRUE(v.appendEntry(QStringLiteral("1234"), {})); // 5 + 1 + 4 = 10
    EXPECT_FALSE(v.appendEntry(QStringLiteral("x"), {}));
    EXPECT_EQ(v.lineCount(), 2);
    v.setFailAppends(true);
    v.setTextLimit(0);
    EXPECT_FALSE(v.appendEntry(QStringLiteral("y"), {}));
}

TEST(LineView, DeletesOldestAndLastLines) {
    LineView v;
    for (int i = 0; i < 10; ++i) {
        v.appendEntry(QString::number(i), {});
    }
    v.deleteFirstLines(3);
    EXPECT_EQ(v.lineCount(), 7);
    EXPECT_TRUE(v.toPlainText().startsWith(QStringLiteral("3\n")));
    v.deleteLastLine();
    EXPECT_TRUE(v.toPlainText().endsWith(QStringLiteral("\n8")));
    v.deleteFirstLines(100);
    EXPECT_EQ(v.lineCount(), 0);
    v.deleteLastLine();
    EXPECT_EQ(v.lineCount(), 0);
}

TEST(Dialogs, FilterTextBecomesQtFilter) {
    EXPECT_EQ(toolkit::qtFilter(QStringLiteral("RichText [*.rtf]|*.rtf|Alle Files [*.*]|*.*")),
              QStringLiteral("RichText [*.rtf] (*.rtf);;Alle Files [*.*] (*.*)"));
}

// An empty line is a line also when the view was empty: its count and style must show it.
TEST(LineView, ABlankFirstLineIsALineUntilItIsRemoved) {
    LineView v;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    ASSERT_TRUE(v.appendEntry(QString(), bold));
    EXPECT_EQ(v.lineCount(), 1);
    EXPECT_EQ(v.document()->firstBlock().charFormat().fontWeight(), QFont::Bold);
    ASSERT_TRUE(v.appendEntry(QStringLiteral("zwei"), {}));
    EXPECT_EQ(v.lineCount(), 2);
    v.deleteLastLine();
    EXPECT_EQ(v.lineCount(), 1); // the blank first line stays
    v.clear();
    EXPECT_EQ(v.lineCount(), 0);

    v.appendEntry(QStringLiteral("eins"), {});
    v.appendEntry(QString(), {});
    v.deleteFirstLines(1);
    EXPECT_EQ(v.lineCount(), 1);             // what is left is one blank line
    v.setPlainText(QStringLiteral("fremd")); // a change from outside counts as it stands
    v.document()->clear();
    EXPECT_EQ(v.lineCount(), 0);
    v.appendEntry(QString(), {});
    v.deleteFirstLines(5);
    EXPECT_EQ(v.lineCount(), 0);
}

// The capture window without a port: start-up state, the poll, styles, markers, the trim,
// clearing and the context menu. Received bytes are put into ReceiveBuffer as a read would.
#include "capture_test_env.h"
#include "common/ScriptedDialogs.h"
#include "printcapture/CaptureWindow.h"
#include "toolkit/LineView.h"
#include "toolkit/Win1252.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using printcapture::TForm1;

namespace {

using capturetest::menuTexts;

QString w(const char* win1252) {
    return toolkit::fromWin1252(win1252);
}

// An empty line has no text fragment; its format is the block's.
QTextCharFormat formatOf(const TForm1& f, int line) {
    const QTextBlock block = f.RichEdit1->document()->findBlockByNumber(line);
    return block.length() > 1 ? block.begin().fragment().charFormat() : block.charFormat();
}

char styleOf(const TForm1& f, int line) {
    const QTextCharFormat c = formatOf(f, line);
    if (c.fontItalic()) {
        return 'i';
    }
    return c.fontWeight() == QFont::Bold ? 'b' : 'r';
}

QString lineText(const TForm1& f, int line) {
    return f.RichEdit1->document()->findBlockByNumber(line).text();
}

void receive(TForm1& f, const std::string& bytes) {
    f.ReceiveBuffer.append(bytes);
}

} // namespace

TEST(CaptureWindow, StartsIdleWithItsPanelsMenusAndToolbar) {
    TForm1 f;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("DruckKorvel"));
    EXPECT_EQ(f.width(), 330);
#ifdef _WIN32
    // Which ports exist is the machine's (wine reports COM1 to COM9).
    EXPECT_TRUE(f.panelText(0).startsWith(QStringLiteral(" com: ")));
#else
    EXPECT_EQ(f.panelText(0), QStringLiteral(" com: 0")); // the test's port folder is empty
#endif
    EXPECT_EQ(f.panelText(1), QStringLiteral(" inaktiv"));
    EXPECT_EQ(f.panelText(4), QString());
    EXPECT_EQ(f.panelText(5), QStringLiteral("max.Zeilen=12000"));
    EXPECT_EQ(f.MaxLines, 12000);
    EXPECT_FALSE(f.PortWasActive);
    EXPECT_TRUE(f.ReceiveBuffer.empty());
    EXPECT_GE(f.RichEdit1->textLimit(), 32000 * 257); // 32 000 lines of 256 characters
    EXPECT_TRUE(f.RichEdit1->isReadOnly());
    EXPECT_EQ(f.RichEdit1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(f.RichEdit1->font().family(), QStringLiteral("Courier New"));
    EXPECT_EQ(f.RichEdit1->font().pointSize(), 9);
    EXPECT_EQ(f.RichEdit1->palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::Button)); // grey while idle
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_FALSE(f.Timer2->isActive());
    EXPECT_EQ(f.Timer1->interval(), 100);
    EXPECT_EQ(f.Timer2->interval(), 10000);

    const int widths[] = {50, 50, 60, 60, 50, 100};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(f.StatusBar1[static_cast<std::size_t>(i)]->width(), widths[i]) << i;
    }
    // The whole menu bar, in order; "Exportieren" is enabled while idle.
    QStringList bar;
    for (const QAction* menu : f.menuBar()->actions()) {
        bar << menu->text() + QStringLiteral(": ") + menuTexts(menu->menu()).join(QLatin1Char('|'));
    }
    EXPECT_EQ(bar, (QStringList{w("Datei: Speichern unter|\xD6"
                                  "ffnen|-|Anzeige l\xF6schen|-|"
                                  "Start|Stop|-|Beenden"),
                                "Exportieren: als RFT-Datei  [*.rtf]",
                                "Optionen: Schnittstelle|Kundeninfo|Speicher",
                                w("Hilfe: verwenden|\xFC"
                                  "ber|Komponenten")}));
    EXPECT_TRUE(f.Exportieren1->menuAction()->isEnabled());
    EXPECT_EQ(f.Start1->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(f.Stop1->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(f.Beenden1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F1));
    EXPECT_EQ(menuTexts(f.PopupMenu1),
              (QStringList{"Kopieren", "-", w("Alles L\xF6schen"), "-", "Alles Markieren"}));
    const QToolButton* buttons[] = {f.SpeedButton1, f.SpeedButton2, f.SpeedButton3, f.SpeedButton4};
    const QStringList texts{"Start", "Stop", w("L\xF6schen"), "Beenden"};
    const QStringList hints{"Start", "Stop", w("L\xF6schen"), ""};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(buttons[i]->text(), texts[i]);
        EXPECT_EQ(buttons[i]->toolTip(), hints[i]);
        EXPECT_FALSE(buttons[i]->icon().pixmap(16, QIcon::Disabled).toImage() ==
                     buttons[i]->icon().pixmap(16, QIcon::Normal).toImage());
    }
}

TEST(CaptureWindow, EachPollShowsOneLineAndCountsTheRest) {
    TForm1 f;
    receive(f, "ABC\x0A\x0D"
               "DEF\x0A\x0D");
    f.Timer1Timer();
    EXPECT_EQ(f.RichEdit1->toPlainText(), QStringLiteral("ABC"));
    EXPECT_EQ(f.panelText(3), QStringLiteral(" P: 5"));
    EXPECT_EQ(f.panelText(2), QStringLiteral(" Z: 1"));
    f.Timer1Timer();
    EXPECT_EQ(f.RichEdit1->toPlainText(), QStringLiteral("ABC\nDEF"));
    EXPECT_EQ(f.panelText(3), QStringLiteral(" P: 0"));
    EXPECT_EQ(f.panelText(2), QStringLiteral(" Z: 2"));

    receive(f, "AB");
    f.Timer1Timer();
    receive(f, "C\x0A\x0D");
    f.Timer1Timer();
    f.Timer1Timer();
    EXPECT_EQ(f.RichEdit1->lineCount(), 3);
    EXPECT_EQ(lineText(f, 2), QStringLiteral("ABC"));

    // The CR LF pair inside a line is part of its text; the display breaks it there.
    receive(f, "AB\x0D\x0A"
               "CD\x0A\x0D");
    f.Timer1Timer();
    EXPECT_EQ(f.RichEdit1->lineCount(), 5);
    EXPECT_EQ(lineText(f, 3), QStringLiteral("AB"));
    EXPECT_EQ(lineText(f, 4), QStringLiteral("CD"));

    receive(f, "no line end here\x0D\x0A");
    f.Timer1Timer();
    EXPECT_EQ(f.RichEdit1->lineCount(), 5);
    EXPECT_EQ(f.panelText(3), QStringLiteral(" P: 18"));
}

TEST(CaptureWindow, StyleFollowsTheFirstByteAndStaysForShortLines) {
    TForm1 f;
    receive(f, " eingerueckt\x0A\x0D"   // regular
               "\x8Enderung\x0A\x0D"    // Ä: bold
               "-\x0A\x0D"              // one character: stays bold
               "\x0A\x0D"               // empty: stays bold
               "  \x81\x11\x84\x0A\x0D" // regular, ü and ä
               "x\x0A\x0D"              // stays regular
               "0042 Alarm\x0A\x0D");   // bold
    for (int i = 0; i < 7; ++i) {
        f.Timer1Timer();
    }
    EXPECT_EQ(lineText(f, 1), w("\xC4nderung"));
    EXPECT_EQ(lineText(f, 4), w("  \xFC\xE4"));
    QString styles;
    for (int i = 0; i < 7; ++i) {
        styles += QLatin1Char(styleOf(f, i));
    }
    EXPECT_EQ(styles, QStringLiteral("rbbbrrb"));
    EXPECT_EQ(f.currentStyle(), printcapture::LineStyle::Bold);
}

TEST(CaptureWindow, PortThatWillNotOpenGivesTheMessageAndNoMarker) {
    testsupport::ScriptedDialogs dialogs;
    TForm1 f;
    f.Start1Click();
    EXPECT_EQ(dialogs.messages(), QStringList{"Serielle Schnittstelle am PC nicht bereit"});
    EXPECT_EQ(f.RichEdit1->lineCount(), 0);
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_FALSE(f.Timer2->isActive());
    EXPECT_EQ(f.panelText(1), QStringLiteral(" inaktiv"));
}

TEST(CaptureWindow, StopWhileIdleWritesTheEndMarkerInItalic) {
    TForm1 f;
    receive(f, "Melder\x0A\x0D");
    f.Timer1Timer(); // bold is now the current style
    f.Stop1Click();
    ASSERT_EQ(f.RichEdit1->lineCount(), 2);
    EXPECT_TRUE(lineText(f, 1).startsWith(QStringLiteral("0****  Ende Aufzeichnung ")));
    EXPECT_EQ(lineText(f, 1).size(), 25 + 8);
    EXPECT_EQ(styleOf(f, 1), 'i');
    EXPECT_EQ(f.currentStyle(), printcapture::LineStyle::Regular);
    EXPECT_EQ(f.panelText(1), QStringLiteral(" inaktiv"));
    // Text waiting when a recording stops stays for the next one.
    receive(f, "rest");
    f.Stop1Click();
    EXPECT_EQ(f.ReceiveBuffer.size(), 4u);
}

TEST(CaptureWindow, KeepAliveTrimsOnlyAboveTheLineLimit) {
    TForm1 f;
    f.MaxLines = 500;
    for (int i = 0; i < 500; ++i) {
        f.RichEdit1->appendEntry(QString::number(i), {});
    }
    f.Timer2Timer();
    EXPECT_EQ(f.RichEdit1->lineCount(), 500);
    for (int i = 500; i < 510; ++i) {
        f.RichEdit1->appendEntry(QString::number(i), {});
    }
    f.Timer2Timer();
    EXPECT_EQ(f.RichEdit1->lineCount(), 504);
    EXPECT_EQ(lineText(f, 0), QStringLiteral("6"));
    EXPECT_EQ(lineText(f, 503), QStringLiteral("509"));
    EXPECT_EQ(f.RichEdit1->textCursor().position(), f.RichEdit1->document()->characterCount() - 1);
}

// At the bound (a small one here, so the test stays quick) a received line or a marker deletes
// only the oldest lines it needs.
TEST(CaptureWindow, AFullDisplayMakesRoomInsteadOfDroppingTheLine) {
    TForm1 f;
    f.RichEdit1->setTextLimit(100000);
    const QString filler(99, QLatin1Char('x')); // 100 characters with the line end
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(f.RichEdit1->appendEntry(filler, {}));
    }
    ASSERT_EQ(f.RichEdit1->characterCount(), 99999);
    receive(f, "neue Zeile\x0A\x0D");
    f.Timer1Timer();
    EXPECT_EQ(lineText(f, f.RichEdit1->lineCount() - 1), QStringLiteral("neue Zeile"));
    EXPECT_EQ(f.RichEdit1->lineCount(), 1000 - 1 + 1);
    EXPECT_LE(f.RichEdit1->characterCount(), 100000);
    // The markers make room the same way.
    while (f.RichEdit1->appendEntry(filler, {})) {
    }
    while (f.RichEdit1->appendEntry(QStringLiteral("y"), {})) {
    }
    f.Stop1Click();
    EXPECT_TRUE(lineText(f, f.RichEdit1->lineCount() - 1).startsWith(QStringLiteral("0****")));
}

TEST(CaptureWindow, ClearingAsksFirstAndKeepsTheReceiveBuffer) {
    testsupport::ScriptedDialogs dialogs;
    TForm1 f;
    f.RichEdit1->appendEntry(QStringLiteral("Zeile"), {});
    receive(f, "wartet");
    dialogs.confirmAnswers = {false, true};
    f.SpeedButton3Click();
    EXPECT_EQ(f.RichEdit1->lineCount(), 1);
    f.lschen1Click();
    EXPECT_EQ(f.RichEdit1->lineCount(), 0);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].kind, QStringLiteral("confirm"));
    EXPECT_EQ(dialogs.shown[0].text, w("Inhalt des Anzeigefensters wirklich l\xF6schen ?"));

    f.RichEdit1->appendEntry(QStringLiteral("Zeile"), {});
    f.Lschen2Click();
    EXPECT_EQ(f.RichEdit1->lineCount(), 0);
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(f.ReceiveBuffer.size(), 6u);
}

TEST(CaptureWindow, CopyIsOfferedOnlyWithASelection) {
    TForm1 f;
    f.RichEdit1->appendEntry(QStringLiteral("Melder 1"), {});
    f.PopupMenu1Popup();
    EXPECT_FALSE(f.Kopieren1->isEnabled());
    f.AllesMarkieren1Click();
    f.PopupMenu1Popup();
    EXPECT_TRUE(f.Kopieren1->isEnabled());
    EXPECT_EQ(f.RichEdit1->textCursor().selectedText(), QStringLiteral("Melder 1"));
}

// Every line taken from ReceiveBuffer is a line of the display, also a blank one that arrives
// right after the display was emptied.
TEST(CaptureWindow, ABlankLineIntoAnEmptyDisplayIsCounted) {
    TForm1 f;
    f.RichEdit1->appendEntry(QStringLiteral("alt"), {});
    f.Lschen2Click();
    receive(f, "\x0A\x0D"
               "0042 Alarm\x0A\x0D");
    f.Timer1Timer();
    EXPECT_EQ(f.panelText(2), QStringLiteral(" Z: 1"));
    f.Timer1Timer();
    EXPECT_EQ(f.panelText(2), QStringLiteral(" Z: 2"));
    EXPECT_EQ(f.RichEdit1->toPlainText(), QStringLiteral("\n0042 Alarm"));
}

// The fault-description window: finding its document, the missing-document text, keys.
#include "common/Screenshot.h"
#include "servicetool/faultviewer/TForm4.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolBar>
#include <QWindow>
#include <gtest/gtest.h>

using servicetool::TForm4;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QString kMissingText =
    QStringLiteral("... \nKeine Fehlerbeschreibung gefunden.\nDatei:  Fehler.rtf  fehlt!");

// Restores the working directory when a test has moved away from it.
struct CurrentDirGuard {
    QString saved = QDir::currentPath();
    ~CurrentDirGuard() { QDir::setCurrent(saved); }
};

} // namespace

TEST(FaultViewer, FindsTheDocumentBesideTheProgramFromAnotherDirectory) {
    CurrentDirGuard guard;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    TForm4 form; // looks in the program's folder, where the demo document is copied
    QString text = form.RichEdit1->toPlainText();
    EXPECT_NE(text, kMissingText);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Fehlerbeschreibungen der Zentrale")))
        << text.left(80).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Abschlusswiderstände")));
    form.show();
    testsupport::saveScreenshot(form, "tform4.png");
}

TEST(FaultViewer, MissingDocumentGivesExactlyThreeLines) {
    QTemporaryDir dir;
#ifndef _WIN32
    // Only the lower-case name counts, whatever the message says (on Windows both name the
    // same file).
    writeFile(dir.filePath(QStringLiteral("Fehler.rtf")), "{\\rtf1 falsch}");
#endif
    TForm4 form(nullptr, dir.path());
    EXPECT_EQ(form.RichEdit1->toPlainText(), kMissingText);
    EXPECT_EQ(form.RichEdit1->document()->blockCount(), 3);
}

TEST(FaultViewer, ShowsTheDocumentWithItsFormatting) {
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("fehler.rtf")),
              "{\\rtf1\\ansi{\\colortbl;\\red200\\green0\\blue0;}{\\b\\cf1 Ringbruch}\\par "
              "Leitung pr\\'fcfen\\par}");
    TForm4 form(nullptr, dir.path());
    EXPECT_EQ(form.RichEdit1->toPlainText(), QStringLiteral("Ringbruch\nLeitung prüfen"));
    QTextCursor c(form.RichEdit1->document());
    c.movePosition(QTextCursor::NextCharacter);
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(200, 0, 0));
}

TEST(FaultViewer, EscapeHidesAndShowingAgainDoesNotRereadTheFile) {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("fehler.rtf"));
    writeFile(path, "{\\rtf1 Erste Fassung}");
    TForm4 form(nullptr, dir.path());
    form.show();
    ASSERT_TRUE(form.isVisible());

    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(form.RichEdit1, &letter);
    EXPECT_TRUE(form.isVisible());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    QApplication::sendEvent(form.RichEdit1, &escape);
    EXPECT_FALSE(form.isVisible());

    writeFile(path, "{\\rtf1 Zweite Fassung}");
    form.show();
    EXPECT_EQ(form.RichEdit1->toPlainText(), QStringLiteral("Erste Fassung"));
    // The close box hides as well; the window and its content stay.
    form.close();
    EXPECT_FALSE(form.isVisible());
    form.show();
    EXPECT_EQ(form.RichEdit1->toPlainText(), QStringLiteral("Erste Fassung"));
}

TEST(FaultViewer, WindowLayout) {
    QTemporaryDir dir;
    TForm4 form(nullptr, dir.path());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("  Korvel-Tool [Diagnose Fehlermeldungen]"));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(form.GroupBox1->title(), QStringLiteral(" Fehlermeldungen: "));
    EXPECT_TRUE(form.RichEdit1->isReadOnly());
    EXPECT_EQ(form.RichEdit1->lineWrapMode(), QTextEdit::NoWrap);
    EXPECT_EQ(form.ToolBar1->height(), 17);
    EXPECT_TRUE(form.ToolBar1->actions().isEmpty());
    EXPECT_EQ(form.StatusBar1->height(), 19);
    EXPECT_TRUE(form.StatusBar1->currentMessage().isEmpty());
}

TEST(FaultViewer, AFolderOfTheDocumentsNameCountsAsMissing) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("fehler.rtf")));
    TForm4 form(nullptr, dir.path());
    EXPECT_EQ(form.RichEdit1->toPlainText(), kMissingText);
}

TEST(FaultViewer, OuterSizeIncludesTheFrameTheWindowSystemReports) {
    QTemporaryDir dir;
    TForm4 form(nullptr, dir.path());
    form.fitToFrame(QMargins(1, 20, 1, 1)); // what a window manager's frame gives
    EXPECT_EQ(form.size(), QSize(690, 581));
    // A size the user chose stays while the frame stays; a new frame is fitted again.
    form.resize(700, 500);
    form.fitToFrame(QMargins(1, 20, 1, 1));
    EXPECT_EQ(form.size(), QSize(700, 500));
    form.fitToFrame(QMargins(4, 30, 4, 4));
    EXPECT_EQ(form.size(), QSize(684, 568));
    form.fitToFrame(QMargins()); // no frame known yet
    EXPECT_EQ(form.size(), QSize(684, 568));
    // Shown, the window fits itself to the frame it reports (the offscreen one has a frame too).
    form.show();
    const QMargins frame = form.windowHandle()->frameMargins();
    EXPECT_EQ(form.frameGeometry().size(), QSize(692, 602)) << frame.left() << "," << frame.top();
}

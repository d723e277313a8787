// korveltool's window without a serial line: its menus, help and About, and a long protocol
// for a person to look at. Needs no pty, so it also runs in the Windows build.

#include "servicetool/decoders/TForm2.h"
#include "servicetool/decoders/TForm3.h"
#include "servicetool/faultviewer/TForm4.h"
#include "servicetool/session/DiagnoseWindows.h"
#include "toolkit/HelpLauncher.h"
#include "toolkit/ProtocolView.h"
#include "toolkit/RadioGroup.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

QStringList texts(const QList<QAction*>& actions) {
    QStringList out;
    for (const QAction* a : actions) {
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    return out;
}

} // namespace

TEST(KorvelToolMenus, EveryItemWithItsStateAndDiagnoseWindowsComeUpOnce) {
    KorvelToolWindow w;
    servicetool::TForm1& f = *w.form;
    servicetool::createDiagnoseWindows(f);
    EXPECT_EQ(texts(f.menuBar()->actions()),
              (QStringList{"Datei", "Diagnose", "Optionen", "Hilfe"}));
    EXPECT_EQ(texts(f.Optionen1->actions()), (QStringList{"Schnittstelle", "Sprache"}));
    EXPECT_EQ(texts(f.Sprache1->actions()), (QStringList{"Deutsch", "Englisch"}));
    EXPECT_EQ(texts(f.Hilfe1->actions()), (QStringList{"Verwenden", QStringLiteral("über")}));
    EXPECT_EQ(f.Verwenden1->shortcut(), QKeySequence(Qt::Key_F1));
    for (QMenu* menu : {f.Datei1, f.Diagnose1, f.Optionen1, f.Sprache1, f.Hilfe1}) {
        for (QAction* a : menu->actions()) {
            EXPECT_TRUE(a->icon().isNull()) << a->text().toStdString();
            if (a != f.Verwenden1) {
                EXPECT_TRUE(a->shortcut().isEmpty()) << a->text().toStdString();
            }
        }
    }
    // "Englisch" cannot be chosen; choosing "Deutsch" again keeps it checked.
    EXPECT_FALSE(f.Englisch1->isEnabled());
    f.Englisch1->trigger();
    f.Deutsch1->trigger();
    EXPECT_TRUE(f.Deutsch1->isChecked());
    EXPECT_FALSE(f.Englisch1->isChecked());

    // "Vernetzung/Module" is the fault-description window; twice gives still one window.
    servicetool::TForm4* form4 = f.Form4;
    f.Module1->trigger();
    f.Module1->trigger();
    EXPECT_TRUE(form4->isVisible());
    EXPECT_EQ(f.findChildren<servicetool::TForm4*>().size(), 1);
    ASSERT_TRUE(pumpUntil([&] { return form4->frameGeometry().size() == QSize(692, 602); }, 2000))
        << "outer size " << form4->frameGeometry().width() << "x"
        << form4->frameGeometry().height();
}

TEST(KorvelToolHelp, F1ButtonAndMenuOpenTheirTopicsAndAboutNamesVersionAndDate) {
    KorvelToolWindow w;
    servicetool::TForm1& f = *w.form;
    QStringList asked;
    toolkit::HelpOpener previous = toolkit::setHelpOpener([&](const QString& t) { asked << t; });
    const QString helpBefore = toolkit::helpFile();
    toolkit::setHelpFile(QStringLiteral("HilfeKorvelTool.chm"));
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QTest::keyClick(&f, Qt::Key_F1);
    f.BitBtn3->click();
    f.Verwenden1->trigger();
    toolkit::setHelpOpener(previous);
    toolkit::setHelpFile(helpBefore);
    EXPECT_EQ(asked, (QStringList{"HilfeKorvelTool.chm::korvel_tool.htm",
                                  "HilfeKorvelTool.chm::steuerung_des_tarvik.htm",
                                  "HilfeKorvelTool.chm::korvel_tool.htm"}));

    f.ber1->trigger();
    ASSERT_EQ(w.dialogs.messages().size(), 1);
    const QString about = w.dialogs.messages().first();
    EXPECT_TRUE(about.startsWith(QStringLiteral("Korvel-Tool, Version 1.0")))
        << about.toStdString();
    EXPECT_TRUE(about.contains(
        QRegularExpression(QStringLiteral("Erstellt am \\d\\d\\.\\d\\d\\.20\\d\\d"))))
        << about.toStdString();
}

// For a person to look at: the window with a protocol of about 14 MiB, scrolled to the middle,
// with a selection. Runs only when KORVEL_SHOTS_DIR names the folder for the picture.
TEST(Screenshots, LongProtocolScrolledToTheMiddleWithASelection) {
    const QString dir = qEnvironmentVariable("KORVEL_SHOTS_DIR");
    if (dir.isEmpty()) {
        GTEST_SKIP() << "KORVEL_SHOTS_DIR not set";
    }
    KorvelToolWindow w;
    servicetool::TForm1& form = *w.form;
    form.RadioGroup1->setItemIndex(1);
    form.show();
    servicetool::ProtocolStream& protocol = form.protocol();
    protocol.note("# Schnittstelle ist ge\xF6"
                  "ffnet.\r  Jetzt RESET am Panel durchf\xFChren.");
    std::string stream;
    char line[96];
    for (int i = 0; i < 200000; ++i) {
        std::snprintf(line, sizeof line, "TR %06d loop %d element %03d state %02x  \xB5P=%d\r\n", i,
                      1 + i % 4, (i * 37) % 127, (i * 91) & 0xFF, i % 7);
        stream += line;
    }
    for (std::size_t at = 0; at < stream.size(); at += 1152) {
        if (at == 1152 * 6001) {
            protocol.note("# Auswahl: n");
        }
        protocol.receive(std::string_view(stream).substr(at, 1152));
    }
    form.RichEdit1->storeChanged();
    const std::size_t middle = form.RichEdit1->store().lineCount() / 2;
    form.RichEdit1->scrollToLine(middle - 10);
    form.RichEdit1->setSelection({middle - 6, 10}, {middle - 2, 24});
    QApplication::processEvents();
    EXPECT_TRUE(form.grab().save(QDir(dir).filePath(QStringLiteral("protocol_middle.png"))));
    // The window's own lines in blue, one of them between the two halves of a received line.
    std::size_t own = 2;
    while (form.RichEdit1->store().lineText(own).rfind("# Auswahl", 0) != 0) {
        ++own;
    }
    form.RichEdit1->scrollToLine(own - 8);
    QApplication::processEvents();
    EXPECT_TRUE(form.grab().save(QDir(dir).filePath(QStringLiteral("protocol_own_line.png"))));
}

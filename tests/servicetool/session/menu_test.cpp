// korveltool as it starts: the probe, the windows, the menu bar, help, About and the settings
// dialog on the main window's port.

#include "common/Caption.h"
#include "serial/qt/SerAddons.h"
#include "serial/qt/SettingsDialogDriver.h"
#include "servicetool/decoders/TForm2.h"
#include "servicetool/decoders/TForm3.h"
#include "servicetool/faultviewer/TForm4.h"
#include "servicetool/session/DiagnoseWindows.h"
#include "servicetool/session/StartUp.h"
#include "session_fixture.h"
#include "toolkit/Application.h"
#include "toolkit/HelpLauncher.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
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

// A registry of the test's own, as the program's start finds it: COM1 to COM4 probed.
struct FreshRegistry {
    TCOMManager registry;
    TCOMManager* previous = installCOMManager(&registry);
    ~FreshRegistry() { installCOMManager(previous); }
};

} // namespace

// Every window shows exactly its own caption, nothing appended by the application.
TEST(KorvelToolStart, ProbesToCom9NamesItsHelpAndCreatesTheHiddenWindowsWithTheirCaptions) {
    ptylink::PtyLink com9, com10;
    std::string error;
    ASSERT_TRUE(com9.open(portFolder(), 9, &error)) << error;
    ASSERT_TRUE(com10.open(portFolder(), 10, &error)) << error;
    FreshRegistry fresh;
    testsupport::ScriptedDialogs dialogs;
    toolkit::setUpApplication(QStringLiteral("korveltool"), QStringLiteral("Korvel-Tool"));
    std::unique_ptr<servicetool::TForm1> form = servicetool::startKorvelTool();
    EXPECT_EQ(toolkit::helpFile(), QStringLiteral("HilfeKorvelTool.chm"));
    EXPECT_TRUE(fresh.registry.HasPort(9));
    EXPECT_FALSE(fresh.registry.HasPort(10)) << "the probe must stop at COM9";
    EXPECT_EQ(form->Serial1.COMPort(), 9);
    ASSERT_TRUE(form->Form2 && form->Form3 && form->Form4);
    EXPECT_FALSE(form->Form2->isVisible() || form->Form3->isVisible() || form->Form4->isVisible());
    using testsupport::shownCaption;
    QStringList captions{shownCaption(*form), shownCaption(*form->Form2),
                         shownCaption(*form->Form3), shownCaption(*form->Form4)};

    testsupport::SettingsDialogView shown;
    auto ran = testsupport::onNextSettingsDialog(
        testsupport::recordThen(shown, [&](TFormCOMSetup& window) {
            captions << shownCaption(window);
            testsupport::pressAbbrechen()(window);
        }));
    form->Schnittstelle1->trigger();
    EXPECT_TRUE(*ran);
    EXPECT_EQ(shown.ports, QStringList{"COM9"});
    EXPECT_EQ(captions.join(QLatin1Char('|')).toStdString(),
              "Korvel-Tool|  Korvel-Tool [Diagnose Vestra]|"
              "  Korvel-Tool [Diagnose Melderverschmutzung]|"
              "  Korvel-Tool [Diagnose Fehlermeldungen]|Einstellungen");
    EXPECT_EQ(toolkit::programTitle(), QStringLiteral("Korvel-Tool")); // message boxes
    removePort(9);
    removePort(10);
}

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

// The technician changes the port and rate while a session runs: the open port goes on as it
// was, the next "Verbinden" opens the new port at the new rate.
TEST(KorvelToolSettings, NewPortAndRateTakeEffectAtTheNextVerbinden) {
    WindowOnPty w;
    ptylink::PtyLink com2;
    std::string error;
    ASSERT_TRUE(com2.open(portFolder(), 2, &error)) << error;
    rescanPorts();
    servicetool::TForm1& f = *w.form;
    ASSERT_TRUE(w.connect());
    EXPECT_EQ(w.pty.lineSettings().baud, 115200);

    auto ran = testsupport::onNextSettingsDialog(testsupport::confirmWith("COM2", "9600"));
    f.Schnittstelle1->trigger();
    EXPECT_TRUE(*ran);
    EXPECT_TRUE(f.Serial1.Active());
    EXPECT_EQ(w.pty.lineSettings().baud, 115200) << "the open port was touched";
    EXPECT_TRUE(w.pty.peerAttached());

    f.BitBtn2Click();
    ASSERT_TRUE(w.connect());
    EXPECT_EQ(f.Serial1.COMPort(), 2);
    EXPECT_TRUE(com2.peerAttached());
    const ptylink::PtyLink::LineSettings line = com2.lineSettings();
    EXPECT_EQ(line.baud, 9600);
    EXPECT_TRUE(line.rtsCts) << "the handshake of Version 2 stays";
    f.BitBtn2Click();
    removePort(2);
}

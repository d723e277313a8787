// korveltool as it starts: the probe and the windows; the settings dialog on the main window's
// port. The menus, help and About are in window_offline_test.cpp.

#include "common/Caption.h"
#include "serial/qt/SerAddons.h"
#include "serial/qt/SettingsDialogDriver.h"
#include "servicetool/decoders/TForm2.h"
#include "servicetool/decoders/TForm3.h"
#include "servicetool/faultviewer/TForm4.h"
#include "servicetool/session/StartUp.h"
#include "session_fixture.h"
#include "toolkit/Application.h"
#include "toolkit/HelpLauncher.h"

#include <QAction>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

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

// The settings file at start-up and at saving, the line-limit box, the restored port, help and
// about. Each window works in a folder of its own, as the program does in its program folder.
#include "capture_test_env.h"
#include "common/Caption.h"
#include "common/PtyPort.h"
#include "common/ScriptedDialogs.h"
#include "printcapture/StartUp.h"
#include "printcapture/TForm1.h"
#include "printcapture/TForm3.h"
#include "serial/COMManager.h"
#include "serial/qt/DeviceChangeNotifier.h"
#include "serial/qt/SettingsDialogDriver.h"
#include "toolkit/Application.h"
#include "toolkit/HelpLauncher.h"
#include "toolkit/LineView.h"
#include "toolkit/TextFile.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using printcapture::TForm1;

namespace {

using capturetest::menuTexts;

// A valid settings text for the given port and bit rate.
std::string settingsText(int port, TBaudrate rate) {
    TSerial s;
    TSerialSettings settings = s.GetSettings();
    settings.COMPort = port;
    settings.Baudrate = static_cast<std::uint8_t>(rate);
    return s.SettingsToText(settings);
}

} // namespace

// The window tests' fixture, with the settings file in its program folder.
class CaptureOptions : public capturetest::CaptureWindowTest {
protected:
    QString ini() const { return path(QStringLiteral("DruckKorvel.ini")); }
    void writeIni(const std::string& bytes) const {
        ASSERT_TRUE(toolkit::writeFileAtomic(ini(), bytes));
    }
    std::vector<std::string> iniLines() const { return toolkit::readLines(ini()).lines; }
};

TEST_F(CaptureOptions, TheNextStartRestoresWhatTheLastSaveKept) {
    {
        TForm1 f(nullptr, folder());
        EXPECT_EQ(f.AVerz, folder());
        f.move(40, -12);
        f.resize(500, f.height());
        f.MaxLines = 777;
        f.Serial1.setBaudrate(TBaudrate::br_019200);
        ASSERT_TRUE(f.SaveSettings());
    }
    const std::vector<std::string> lines = iniLines();
    ASSERT_EQ(lines.size(), 5u);
    TSerial probe;
    const TSerialSettings stored = probe.TextToSettings(lines[0]);
    EXPECT_TRUE(stored.Valid);
    EXPECT_EQ(stored.Baudrate, static_cast<std::uint8_t>(TBaudrate::br_019200));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{"-12", "40", "500", "777"}));
    EXPECT_EQ(toolkit::readAll(ini(), 4096)->substr(91, 2), "\r\n");

    TForm1 f(nullptr, folder());
    EXPECT_EQ(f.pos(), QPoint(40, -12));
    EXPECT_EQ(f.width(), 500);
    EXPECT_EQ(f.MaxLines, 777);
    EXPECT_EQ(f.panelText(5), QStringLiteral("max.Zeilen=777"));
    EXPECT_EQ(f.Serial1.Baudrate(), TBaudrate::br_019200);

    // A width no screen can show is brought within the desktop, a place no screen shows onto
    // the primary screen.
    writeIni(lines[0] + "\r\n0\r\n0\r\n2000000000\r\n800\r\n");
    EXPECT_LE(TForm1(nullptr, folder()).width(), 20000);
    writeIni(lines[0] + "\r\n-30000\r\n50000\r\n400\r\n800\r\n");
    const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(primary.contains(TForm1(nullptr, folder()).pos()));
}

TEST_F(CaptureOptions, APlaceLineThatIsNoIntegerEndsTheStartUpStep) {
    // One line: the port settings are applied, then the empty line 2 is refused.
    writeIni(settingsText(1, TBaudrate::br_019200) + "\r\n");
    {
        TForm1 f(nullptr, folder());
        EXPECT_EQ(f.Serial1.Baudrate(), TBaudrate::br_019200);
        EXPECT_EQ(dialogs().messages(), QStringList{"'' ist kein gültiger Integerwert"});
        EXPECT_EQ(f.width(), 330);
        EXPECT_EQ(f.panelText(5), QString()); // the step ended before the line limit
        EXPECT_EQ(f.MaxLines, 12000);
    }
    // A damaged settings text (one digit changed, checksum not) keeps the port settings; the
    // place lines still count until the first that is no integer.
    std::string damaged = settingsText(1, TBaudrate::br_019200);
    damaged[8] = damaged[8] == '9' ? '8' : '9';
    writeIni(damaged + "\r\n25\r\nlinks\r\n600\r\n900\r\n");
    dialogs().shown.clear();
    {
        TForm1 f(nullptr, folder());
        EXPECT_EQ(f.Serial1.Baudrate(), TBaudrate::br_009600);
        EXPECT_EQ(f.pos().y(), 25);
        EXPECT_EQ(f.width(), 330);
        EXPECT_EQ(dialogs().messages(), QStringList{"'links' ist kein gültiger Integerwert"});
    }
    // Another program's binary file: one message, the defaults stay.
    std::string binary;
    for (int i = 0; i < 70000; ++i) {
        binary += static_cast<char>((i * 7919) % 251 + 1);
    }
    writeIni(binary);
    dialogs().shown.clear();
    TForm1 f(nullptr, folder());
    EXPECT_EQ(dialogs().messages().size(), 1);
    EXPECT_EQ(f.Serial1.Baudrate(), TBaudrate::br_009600);
    EXPECT_EQ(f.MaxLines, 12000);
}

TEST_F(CaptureOptions, LineLimitBoxBoundsTheAnswerAndTheFileWaitsForTheNextSave) {
    writeIni(settingsText(1, TBaudrate::br_009600) + "\r\n0\r\n0\r\n330\r\n100\r\n");
    TForm1 f(nullptr, folder());
    ASSERT_EQ(f.MaxLines, 100);
    dialogs().inputAnswers = {std::nullopt, QStringLiteral("50000"), QStringLiteral("100"),
                              QStringLiteral("zehn"), QStringLiteral("800")};
    f.Speicher1Click(); // cancelled: the proposed 100, within the bounds
    ASSERT_EQ(dialogs().shown.size(), 1u);
    EXPECT_EQ(dialogs().shown[0].caption, QStringLiteral("Max. Zeilenanzahl"));
    EXPECT_EQ(dialogs().shown[0].text, QStringLiteral("Max.=32000, stadard=12000, min.=500"));
    EXPECT_EQ(dialogs().lastInputValue, QStringLiteral("100"));
    EXPECT_EQ(f.MaxLines, 500);
    EXPECT_EQ(f.panelText(5), QStringLiteral("max.Zeilen=500"));
    const int expected[] = {32000, 500, 12000, 800};
    for (int want : expected) {
        f.Speicher1Click();
        EXPECT_EQ(f.MaxLines, want);
    }
    EXPECT_EQ(dialogs().lastInputValue, QStringLiteral("12000"));
    EXPECT_EQ(f.panelText(5), QStringLiteral("max.Zeilen=800"));
    // The box changes the file only at the next save; a close-box exit keeps the old limit.
    EXPECT_EQ(iniLines().at(4), "100");
    f.show();
    EXPECT_TRUE(f.close());
    EXPECT_EQ(TForm1(nullptr, folder()).MaxLines, 100);
    ASSERT_TRUE(f.SaveSettings());
    EXPECT_EQ(iniLines().at(4), "800");
}

// The start-up step runs while the registry knows COM1 to COM4 only; the program registers
// ports up to COM8 after it. A port above 4 chosen in the dialog is therefore stored but not
// restored. Only a confirmed dialog writes the file.
TEST_F(CaptureOptions, APortChosenInTheDialogIsStoredAndRestoredOnlyUpToFour) {
    testsupport::PortFolder ports;
    for (int n = 1; n <= 9; ++n) {
        ports.hide(n);
    }
    testsupport::PtyPort com2(ports, 2);
    testsupport::PtyPort com3(ports, 3);
    testsupport::PtyPort com6(ports, 6);
    TCOMManager registry; // as at program start: COM1 to COM4 probed
    TCOMManager* previous = installCOMManager(&registry);
    writeIni(settingsText(6, TBaudrate::br_009600) + "\r\n0\r\n0\r\n330\r\n12000\r\n");
    {
        TForm1 f(nullptr, folder());
        EXPECT_EQ(f.Serial1.COMPort(), 2); // the first registered port, as loaded
        EXPECT_EQ(f.panelText(0), QStringLiteral(" com: 2"));
        registry.ScanPorts(8);
        const std::string before = toolkit::readAll(ini(), 4096).value();
        auto ran = testsupport::onNextSettingsDialog(testsupport::pressAbbrechen());
        f.Schnittstelle1Click();
        ASSERT_TRUE(*ran);
        EXPECT_EQ(toolkit::readAll(ini(), 4096).value(), before);
        ran = testsupport::onNextSettingsDialog(testsupport::confirmWith("COM3", "19200"));
        f.Schnittstelle1Click();
        ASSERT_TRUE(*ran);
        EXPECT_EQ(f.panelText(0), QStringLiteral(" com: 3"));
        EXPECT_FALSE(f.Serial1.Active());
        EXPECT_EQ(f.Serial1.Baudrate(), TBaudrate::br_019200);
    }
    TCOMManager second;
    installCOMManager(&second);
    {
        TForm1 f(nullptr, folder());
        EXPECT_EQ(f.Serial1.COMPort(), 3);
        EXPECT_EQ(f.Serial1.Baudrate(), TBaudrate::br_019200);
        second.ScanPorts(8);
        auto ran = testsupport::onNextSettingsDialog(testsupport::confirmWith("COM6"));
        f.Schnittstelle1Click();
        ASSERT_TRUE(*ran);
        TSerial probe;
        EXPECT_EQ(probe.TextToSettings(iniLines().at(0)).COMPort, 6);
    }
    TCOMManager third;
    installCOMManager(&third);
    EXPECT_EQ(TForm1(nullptr, folder()).Serial1.COMPort(), 2);
    installCOMManager(previous);
}

// The program's own start-up: a port at COM7 is known only after it, the customer window waits
// hidden, and the main window's end is the end of the event loop.
TEST_F(CaptureOptions, MenusHelpTopicsAboutAndTheWindowsOwnCaptions) {
    toolkit::setUpApplication(QStringLiteral("DruckKorvel"), QStringLiteral("DruckKorvel"));
    testsupport::PortFolder ports;
    for (int n = 1; n <= 9; ++n) {
        ports.hide(n);
    }
    testsupport::PtyPort com7(ports, 7);
    TCOMManager registry;
    TCOMManager* previous = installCOMManager(&registry);
    const std::unique_ptr<TForm1> started = printcapture::startDruckKorvel(folder());
    TForm1& f = *started;
    EXPECT_TRUE(registry.HasPort(7));
    EXPECT_EQ(toolkit::helpFile(), QStringLiteral("HilfeDruckKorvel.chm"));
    ASSERT_NE(f.Form3, nullptr);
    EXPECT_FALSE(f.Form3->isVisible());
    EXPECT_NE(f.findChild<serialqt::DeviceChangeNotifier*>(), nullptr);
    // Nothing is appended to a caption by the application.
    EXPECT_EQ(testsupport::shownCaption(f), QStringLiteral("DruckKorvel"));
    EXPECT_EQ(testsupport::shownCaption(*f.Form3), QStringLiteral("DruckKorvel"));
    QStringList bar;
    for (const QAction* a : f.menuBar()->actions()) {
        bar << a->text();
    }
    // "Exportieren" and "Kundeninfo" have their places between these.
    EXPECT_EQ(bar.first(), QStringLiteral("Datei"));
    EXPECT_EQ(bar.last(), QStringLiteral("Hilfe"));
    EXPECT_EQ(bar.indexOf(QStringLiteral("Optionen")), bar.size() - 2);
    const QStringList options = menuTexts(f.Optionen1);
    EXPECT_EQ(options.first(), QStringLiteral("Schnittstelle"));
    EXPECT_EQ(options.last(), QStringLiteral("Speicher"));
    EXPECT_EQ(menuTexts(f.Hilfe1), (QStringList{"verwenden", "über", "Komponenten"}));
    EXPECT_EQ(f.verwenden1->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(f.Schnittstelle1->isEnabled()); // idle

    QStringList asked;
    const toolkit::HelpOpener before =
        toolkit::setHelpOpener([&](const QString& topic) { asked << topic; });
    f.verwenden1->trigger();
    f.Komponenten1->trigger();
    toolkit::setHelpOpener(before);
    EXPECT_EQ(asked, (QStringList{"HilfeDruckKorvel.chm::DruckKorvel.htm",
                                  "HilfeDruckKorvel.chm::Informationen.htm"}));

    f.ber1->trigger();
    ASSERT_EQ(dialogs().messages().size(), 1);
    EXPECT_TRUE(dialogs().messages()[0].startsWith(QStringLiteral("DruckKorvel")));

    f.show();
    QTimer::singleShot(0, &f, [&f] { f.close(); });
    QTimer hang; // the loop would otherwise wait for ever
    hang.setSingleShot(true);
    QObject::connect(&hang, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    hang.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    installCOMManager(previous);
}

// Pictures for a person to look at, only when asked for (KORVEL_SHOTS names the folder): the
// window with each menu open, and the line-limit box as the program shows it.
TEST_F(CaptureOptions, Screenshots) {
    const QString shots = capturetest::shotsFolder();
    if (shots.isEmpty()) {
        GTEST_SKIP() << "set KORVEL_SHOTS to a folder";
    }
    TForm1 f(nullptr, folder());
    f.show();
    f.RichEdit1->appendEntry(QStringLiteral("0****  Start Aufzeichnung 14:05:09"), {});
    capturetest::runEvents(100);
    f.grab().save(shots + QStringLiteral("/capture-menubar.png"));
    for (QMenu* menu : {f.Datei1, f.Optionen1, f.Hilfe1}) {
        QImage image(f.size() + QSize(0, 200), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.drawPixmap(0, 0, f.grab());
        menu->popup(f.mapToGlobal(f.menuBar()->actionGeometry(menu->menuAction()).bottomLeft() +
                                  f.menuBar()->pos()));
        capturetest::runEvents(100);
        painter.drawPixmap(f.menuBar()->actionGeometry(menu->menuAction()).left(),
                           f.menuBar()->geometry().bottom(), menu->grab());
        menu->hide();
        painter.end();
        image.save(shots + QStringLiteral("/capture-menu-") + menu->title() +
                   QStringLiteral(".png"));
    }
    QTimer::singleShot(300, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            box->grab().save(shots + QStringLiteral("/capture-line-limit.png"));
            box->close();
        }
    });
    f.Speicher1Click(); // the Qt box, closed by the timer above: cancelled
    EXPECT_EQ(f.MaxLines, 12000);
}

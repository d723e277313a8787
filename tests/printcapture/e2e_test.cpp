// The window against the printer simulator over a pseudo-terminal published as COMn.
#include "capture_test_env.h"
#include "printcapture/CaptureWindow.h"
#include "serial/Serial.h"
#include "toolkit/DeviceChangeNotifier.h"
#include "toolkit/LineView.h"
#include "toolkit/ScriptedDialogs.h"
#include "toolkit/Win1252.h"
#include "tools/printersim/PrintedLines.h"

#include <QApplication>
#include <QDir>
#include <QTextBlock>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/resource.h>

using capturetest::PrinterSim;
using capturetest::runEvents;
using capturetest::waitUntil;
using printcapture::TForm1;

namespace {

char styleOfBlock(const QTextBlock& block) {
    const QTextCharFormat c =
        block.length() > 1 ? block.begin().fragment().charFormat() : block.charFormat();
    if (c.fontItalic()) {
        return 'i';
    }
    return c.fontWeight() == QFont::Bold ? 'b' : 'r';
}

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Screenshots for a person to look at, only when asked for (never part of a normal run).
void shoot(QWidget& w, const char* name) {
    const QByteArray dir = qgetenv("KORVEL_SHOTS");
    if (!dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
    }
}

// A window whose port is the simulator's COM<com>: the registry learns of the port first.
bool portReady(PrinterSim& sim, int com) {
    if (!sim.published()) {
        return false;
    }
    COMManager().ScanPorts(8);
    COMManager().Rescan(); // ports that came after the first scan
    return COMManager().HasPort(com);
}

} // namespace

TEST(CaptureEndToEnd, RecordsTwoThousandLinesConvertedInOrderWithTheirStyles) {
    constexpr int kLines = 2000;
    constexpr int kSeed = 11;
    PrinterSim sim(1, {"--lines", QString::number(kLines), "--seed", QString::number(kSeed),
                       "--no-pace", "--wait-xon"});
    ASSERT_TRUE(portReady(sim, 1));
    TForm1 f;
    ASSERT_EQ(f.Serial1.COMPort(), 1);
    f.show();
    shoot(f, "capture-idle.png");
    f.setTimerPeriodsForTest(1, TForm1::kKeepAliveMs);
    f.Start1Click();
    ASSERT_TRUE(f.Serial1.Active());
    EXPECT_EQ(f.panelText(1), QStringLiteral(" aktiv"));
    EXPECT_EQ(f.RichEdit1->palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::Base));
    waitUntil([&] { return f.RichEdit1->lineCount() > 60; }, 30000);
    runEvents(20);
    shoot(f, "capture-recording.png");
    ASSERT_TRUE(waitUntil(
        [&] { return f.RichEdit1->lineCount() >= kLines + 1 && f.ReceiveBuffer.empty(); }, 120000))
        << f.RichEdit1->lineCount();
    f.Stop1Click();
    runEvents(50);
    shoot(f, "capture-stopped.png");
    EXPECT_EQ(f.panelText(1), QStringLiteral(" inaktiv"));
    ASSERT_EQ(f.RichEdit1->lineCount(), kLines + 2);

    QTextBlock block = f.RichEdit1->document()->firstBlock();
    EXPECT_TRUE(block.text().startsWith(QStringLiteral("0****  Start Aufzeichnung ")));
    EXPECT_EQ(styleOfBlock(block), 'i');
    char style = 'r';
    for (int i = 0; i < kLines; ++i) {
        block = block.next();
        const printersim::PrintedLine line = printersim::makeLine(kSeed, i);
        ASSERT_EQ(block.text(), toolkit::fromWin1252(line.shown)) << "line " << i;
        if (line.style != printersim::ExpectedStyle::Keep) {
            style = line.style == printersim::ExpectedStyle::Bold ? 'b' : 'r';
        }
        ASSERT_EQ(styleOfBlock(block), style) << "line " << i;
    }
    block = block.next();
    EXPECT_TRUE(block.text().startsWith(QStringLiteral("0****  Ende Aufzeichnung ")));
    EXPECT_EQ(styleOfBlock(block), 'i');

    ASSERT_TRUE(waitUntil([&] { return sim.received().contains(QStringLiteral("13")); }, 5000));
    const QStringList rx = sim.received();
    EXPECT_EQ(rx.first(), QStringLiteral("11"));
    EXPECT_EQ(rx.last(), QStringLiteral("13"));
}

TEST(CaptureEndToEnd, EachStartSendsDC1AndWritesAMarker) {
    PrinterSim sim(2, {"--lines", "0"});
    ASSERT_TRUE(portReady(sim, 2));
    TForm1 f;
    f.Serial1.setCOMPort(2);
    f.Start1Click();
    runEvents(1200);
    f.Start1Click();
    EXPECT_TRUE(f.Serial1.Active());
    // The second start left the keep-alive's count running: pressing Start often enough must
    // not keep the DC1 and the trim from ever coming.
    EXPECT_LT(f.Timer2->remainingTime(), 9500);
    f.Stop1Click();
    ASSERT_EQ(f.RichEdit1->lineCount(), 3);
    EXPECT_TRUE(f.RichEdit1->document()->findBlockByNumber(1).text().startsWith(
        QStringLiteral("0****  Start Aufzeichnung ")));
    ASSERT_TRUE(waitUntil([&] { return sim.received().size() >= 3; }, 5000));
    EXPECT_EQ(sim.received(), (QStringList{"11", "11", "13"}));
}

// Runs with the program's own periods: 100 ms polls and the 10 s keep-alive.
TEST(CaptureEndToEnd, KeepAliveSendsDC1TenSecondsAfterTheStart) {
    PrinterSim sim(5, {"--lines", "30", "--rate", "5"});
    ASSERT_TRUE(portReady(sim, 5));
    TForm1 f;
    f.Serial1.setCOMPort(5);
    f.MaxLines = 10; // the keep-alive trims too
    f.Start1Click();
    ASSERT_TRUE(waitUntil([&] { return sim.received().size() >= 2; }, 12000));
    const QList<long> times = sim.receivedTimes();
    EXPECT_EQ(sim.received().mid(0, 2), (QStringList{"11", "11"}));
    EXPECT_NEAR(times[1] - times[0], 10000, 600);
    // 50 polls arrived before the tick; the trim removed one block of 10 / 100 + 1 lines.
    EXPECT_LT(f.RichEdit1->lineCount(), 52);
    f.Stop1Click();
}

TEST(CaptureEndToEnd, UnplugDuringARecordingNeitherCrashesNorSpins) {
    toolkit::ScriptedDialogs dialogs;
    auto sim = std::make_unique<PrinterSim>(4, QStringList{"--lines", "100000", "--rate", "20"});
    ASSERT_TRUE(portReady(*sim, 4));
    TForm1 f;
    f.Serial1.setCOMPort(4);
    f.Start1Click();
    ASSERT_TRUE(waitUntil([&] { return f.RichEdit1->lineCount() > 5; }, 10000));

    sim->kill(); // the cable is pulled: the pty vanishes, its link dangles
    // The component lets go of the dead pty at once, so its number may soon belong to a pty
    // of a test running beside this one: the link is pointed at nothing for good.
    QFile::remove(capturetest::portsDir() + QStringLiteral("/COM4"));
    QFile::link(QStringLiteral("/nonexistent-port"),
                capturetest::portsDir() + QStringLiteral("/COM4"));
    const double cpuBefore = cpuSeconds();
    runEvents(2000);
    EXPECT_LT(cpuSeconds() - cpuBefore, 0.5);
    const int lines = f.RichEdit1->lineCount();
    runEvents(500);
    EXPECT_LE(f.RichEdit1->lineCount(), lines + 5); // at most what was still waiting

    f.Stop1Click();
    EXPECT_EQ(f.panelText(1), QStringLiteral(" inaktiv"));
    COMManager().Rescan();
    f.Start1Click();
    EXPECT_EQ(dialogs.messages(), QStringList{"Serielle Schnittstelle am PC nicht bereit"});
    EXPECT_FALSE(f.Timer1->isActive());
}

// COM3 has no adapter behind its built-in name here, so without its link it is gone.
// As in the program, the device-change notifier tells the registry; the component closes
// itself and the window, which is not told, polls on without spinning.
TEST(CaptureEndToEnd, RemovedPortLinkDuringARecordingKeepsTheWindowWorking) {
    PrinterSim sim(3, {"--lines", "100000", "--rate", "20"});
    ASSERT_TRUE(portReady(sim, 3));
    TForm1 f;
    new toolkit::DeviceChangeNotifier(&f);
    f.Serial1.setCOMPort(3);
    f.Start1Click();
    ASSERT_TRUE(waitUntil([&] { return f.RichEdit1->lineCount() > 3; }, 10000));
    QFile::remove(capturetest::portsDir() + QStringLiteral("/COM3"));
    EXPECT_TRUE(waitUntil([&] { return !f.Serial1.Active(); }, 5000));
    EXPECT_EQ(f.panelText(1), QStringLiteral(" aktiv"));
    EXPECT_TRUE(f.Timer1->isActive());
    const double cpuBefore = cpuSeconds();
    runEvents(1500);
    EXPECT_LT(cpuSeconds() - cpuBefore, 0.5);
    f.Stop1Click();
    EXPECT_FALSE(f.Serial1.Active());
    EXPECT_EQ(f.panelText(1), QStringLiteral(" inaktiv"));
}

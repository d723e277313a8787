// The window against the printer simulator over a pseudo-terminal published as COMn.
#include "capture_test_env.h"
#include "common/ScriptedDialogs.h"
#include "printcapture/TForm1.h"
#include "serial/Serial.h"
#include "serial/qt/DeviceChangeNotifier.h"
#include "toolkit/LineView.h"
#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"
#include "tools/printersim/PrintedLines.h"
#include "window_fixture.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using capturetest::portReady;
using capturetest::PrinterSim;
using capturetest::runEvents;
using capturetest::waitUntil;
using printcapture::TForm1;
using CaptureEndToEnd = capturetest::CaptureWindowTest;
using capturetest::styleOfBlock;

namespace {

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Screenshots for a person to look at, only when asked for (never part of a normal run).
void shoot(QWidget& w, const char* name) {
    if (const QString dir = capturetest::shotsFolder(); !dir.isEmpty()) {
        w.grab().save(dir + QLatin1Char('/') + QLatin1String(name));
    }
}

} // namespace

TEST_F(CaptureEndToEnd, RecordsTwoThousandLinesConvertedInOrderWithTheirStyles) {
    constexpr int kLines = 2000;
    constexpr int kSeed = 11;
    PrinterSim sim(1, {"--lines", QString::number(kLines), "--seed", QString::number(kSeed),
                       "--no-pace", "--wait-xon"});
    ASSERT_TRUE(portReady(sim, 1));
    TForm1& f = window(); // its program folder takes the recording files
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
    capturetest::expectPrintedLines(block, kSeed, kLines, true);
    block = block.next();
    EXPECT_TRUE(block.text().startsWith(QStringLiteral("0****  Ende Aufzeichnung ")));
    EXPECT_EQ(styleOfBlock(block), 'i');

    ASSERT_TRUE(waitUntil([&] { return sim.received().contains(QStringLiteral("13")); }, 5000));
    const QStringList rx = sim.received();
    EXPECT_EQ(rx.first(), QStringLiteral("11"));
    EXPECT_EQ(rx.last(), QStringLiteral("13"));
}

// Also: a recording file that cannot be made is said once, in italic, and the recording goes on.
TEST_F(CaptureEndToEnd, EachStartSendsDC1AndWritesAMarker) {
    PrinterSim sim(2, {"--lines", "0"});
    ASSERT_TRUE(portReady(sim, 2));
    QFile blocker(path(QStringLiteral("Mitschnitte")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    TForm1& f = window();
    f.Serial1.setCOMPort(2);
    f.Start1Click();
    runEvents(1200);
    f.Start1Click();
    EXPECT_TRUE(f.Serial1.Active());
    // The second start left the keep-alive's count running: pressing Start often enough must
    // not keep the DC1 and the trim from ever coming.
    EXPECT_LT(f.Timer2->remainingTime(), 9500);
    f.Stop1Click();
    ASSERT_EQ(f.RichEdit1->lineCount(), 4);
    const QTextBlock failure = f.RichEdit1->document()->firstBlock();
    EXPECT_EQ(failure.text(),
              QStringLiteral("0****  Datei %1 kann nicht geschrieben werden")
                  .arg(QDir::toNativeSeparators(blocker.fileName()) + QStringLiteral("/") +
                       QFileInfo(f.recording().path()).fileName()));
    EXPECT_EQ(styleOfBlock(failure), 'i');
    EXPECT_TRUE(f.RichEdit1->document()->findBlockByNumber(2).text().startsWith(
        QStringLiteral("0****  Start Aufzeichnung ")));
    ASSERT_TRUE(waitUntil([&] { return sim.received().size() >= 3; }, 5000));
    EXPECT_EQ(sim.received(), (QStringList{"11", "11", "13"}));
}

// Runs with the program's own periods: 100 ms polls and the 10 s keep-alive.
TEST_F(CaptureEndToEnd, KeepAliveSendsDC1TenSecondsAfterTheStart) {
    PrinterSim sim(5, {"--lines", "30", "--rate", "5"});
    ASSERT_TRUE(portReady(sim, 5));
    TForm1& f = window();
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

TEST_F(CaptureEndToEnd, UnplugDuringARecordingNeitherCrashesNorSpins) {
    auto sim = std::make_unique<PrinterSim>(4, QStringList{"--lines", "100000", "--rate", "20"});
    ASSERT_TRUE(portReady(*sim, 4));
    TForm1& f = window();
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
    EXPECT_EQ(dialogs().messages(), QStringList{"Serielle Schnittstelle am PC nicht bereit"});
    EXPECT_FALSE(f.Timer1->isActive());
}

// The recording file is the record: every line the display showed, in order, also those the
// line limit trimmed away, across a second "Start" and an unplug. As in the program, the
// device-change notifier tells the registry; the component closes itself and tells the window,
// which marks the interruption, waits grey and " inaktiv", and goes on in the same file when the
// same port comes back, with the DC1 that the panel needs to print again.
TEST_F(CaptureEndToEnd, UnplugAndReplugGoOnInTheSameRecordingFile) {
    constexpr int kBefore = 40;
    constexpr int kAfter = 6;
    auto sim = std::make_unique<PrinterSim>(
        3, QStringList{"--lines", "100000", "--seed", "5", "--rate", "60"});
    ASSERT_TRUE(portReady(*sim, 3));
    TForm1& f = window();
    new serialqt::DeviceChangeNotifier(&f);
    f.resize(460, 300);
    f.show();
    f.Serial1.setCOMPort(3);
    f.MaxLines = 10;
    f.setTimerPeriodsForTest(1, 200); // trims all along
    f.Start1Click();
    ASSERT_TRUE(waitUntil([&] { return f.RichEdit1->lineCount() > 10; }, 10000));
    const QString path = f.recording().path();
    f.Start1Click(); // a second start goes on in the same file
    EXPECT_EQ(f.recording().path(), path);
    ASSERT_TRUE(waitUntil([&] { return toolkit::readLines(path).lines.size() > kBefore; }, 20000));

    sim->kill(); // the cable is pulled
    sim.reset();
    QFile::remove(capturetest::portsDir() + QStringLiteral("/COM3"));
    ASSERT_TRUE(waitUntil([&] { return f.waitingForPort(); }, 5000));
    EXPECT_FALSE(f.Serial1.Active());
    EXPECT_EQ(f.panelText(1), QStringLiteral(" inaktiv"));
    EXPECT_EQ(f.RichEdit1->palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::Button));
    EXPECT_TRUE(f.RichEdit1->document()->lastBlock().text().startsWith(
        QStringLiteral("0****  Verbindung unterbrochen ")));
    runEvents(300);
    shoot(f, "capture-unplugged.png");

    // Plugged in again under the same name; this printer prints only after a DC1, and the
    // keep-alive's own DC1 is far off.
    f.setTimerPeriodsForTest(1, 60000);
    PrinterSim back(3,
                    {"--lines", QString::number(kAfter), "--seed", "6", "--no-pace", "--wait-xon"});
    ASSERT_TRUE(back.published());
    ASSERT_TRUE(waitUntil([&] { return f.Serial1.Active(); }, 10000));
    EXPECT_FALSE(f.waitingForPort());
    EXPECT_EQ(f.panelText(1), QStringLiteral(" aktiv"));
    const QString lastPrinted = toolkit::fromWin1252(printersim::makeLine(6, kAfter - 1).shown);
    ASSERT_TRUE(waitUntil(
        [&] { return f.RichEdit1->document()->lastBlock().text() == lastPrinted; }, 10000));
    EXPECT_EQ(back.received().value(0), QStringLiteral("11"));
    runEvents(50);
    shoot(f, "capture-replugged.png");
    f.Stop1Click();

    const std::vector<std::string> file = toolkit::readLines(path).lines;
    ASSERT_GT(file.size(), static_cast<std::size_t>(kBefore + kAfter));
    std::size_t at = 0;
    auto expectMarker = [&](const char* text) {
        ASSERT_LT(at, file.size());
        EXPECT_EQ(file[at].rfind(text, 0), 0u) << at << ": " << file[at];
        ++at;
    };
    expectMarker("0****  Start Aufzeichnung ");
    int printed = 0;
    bool secondStart = false;
    while (at < file.size() && file[at].rfind("0****  Verbindung", 0) != 0) {
        if (file[at].rfind("0****  Start Aufzeichnung ", 0) == 0 && !secondStart) {
            secondStart = true;
        } else {
            const std::string whole = printersim::makeLine(5, printed).shown;
            // Only the line that the cable cut short may be a part of a printed line.
            const bool cut =
                at + 1 < file.size() && file[at + 1].rfind("0****  Verbindung", 0) == 0;
            ASSERT_EQ(file[at], cut ? whole.substr(0, file[at].size()) : whole) << "line " << at;
            ++printed;
        }
        ++at;
    }
    EXPECT_TRUE(secondStart);
    EXPECT_GE(printed, kBefore - 2);
    expectMarker("0****  Verbindung unterbrochen ");
    expectMarker("0****  Verbindung wieder aufgenommen ");
    for (int i = 0; i < kAfter; ++i, ++at) {
        ASSERT_LT(at, file.size());
        EXPECT_EQ(file[at], printersim::makeLine(6, i).shown) << "line " << at;
    }
    expectMarker("0****  Ende Aufzeichnung ");
    EXPECT_EQ(at, file.size());
    // The display is the file's tail: the limit trimmed its head, the file kept it.
    const std::vector<std::string> shown = f.displayLines();
    ASSERT_LT(shown.size(), file.size());
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), file.end() - shown.size()));
}

// A re-plug quicker than the registry's next look, or a port that could not be opened at its
// arrival, reports no arrival: the window finds the port again by itself.
TEST_F(CaptureEndToEnd, AReplugWithoutAnArrivalIsFoundAgain) {
    auto sim = std::make_unique<PrinterSim>(7, QStringList{"--lines", "100000", "--rate", "50"});
    ASSERT_TRUE(portReady(*sim, 7));
    TForm1& f = window();
    f.Serial1.setCOMPort(7);
    f.setTimerPeriodsForTest(1, 60000);
    f.Start1Click();
    ASSERT_TRUE(waitUntil([&] { return f.RichEdit1->lineCount() > 3; }, 10000));
    sim->kill();
    sim.reset();
    QFile::remove(capturetest::portsDir() + QStringLiteral("/COM7"));
    COMManager().Rescan();
    ASSERT_TRUE(f.waitingForPort());

    PrinterSim back(7, {"--lines", "3", "--seed", "8", "--no-pace", "--wait-xon"});
    ASSERT_TRUE(back.published());
    COMManager().Rescan(); // not through the message hook: no arrival event
    const QString last = toolkit::fromWin1252(printersim::makeLine(8, 2).shown);
    ASSERT_TRUE(
        waitUntil([&] { return f.RichEdit1->document()->lastBlock().text() == last; }, 5000));
    EXPECT_TRUE(f.RichEdit1->document()
                    ->findBlockByNumber(f.RichEdit1->lineCount() - 4)
                    .text()
                    .startsWith(QStringLiteral("0****  Verbindung wieder aufgenommen ")));
    f.Stop1Click();
}

// The window of AKilledProgramKeepsEveryShownLine, run in a child process of its own: it records
// from the pty it is given until the display shows `lines` printed lines, says so, and then
// stops polling until it is killed. Skipped in a normal run.
TEST(CaptureRecordingChild, RecordsUntilKilled) {
    const QString pty = qEnvironmentVariable("KORVEL_CHILD_PTY");
    if (pty.isEmpty()) {
        GTEST_SKIP() << "runs only as the child of AKilledProgramKeepsEveryShownLine";
    }
    const QString folder = qEnvironmentVariable("KORVEL_CHILD_FOLDER");
    const int lines = qEnvironmentVariableIntValue("KORVEL_CHILD_LINES");
    const QString link = capturetest::portsDir() + QStringLiteral("/COM6");
    QFile::remove(link);
    ASSERT_TRUE(QFile::link(pty, link));
    COMManager().ScanPorts(8);
    COMManager().Rescan();
    TForm1 f(nullptr, folder);
    f.Serial1.setCOMPort(6);
    f.setTimerPeriodsForTest(1, 60000);
    QObject::connect(f.Timer1, &QTimer::timeout, [&] { // runs after the window's poll
        if (f.RichEdit1->lineCount() > lines) {
            // Names the port folder, which the parent removes.
            toolkit::writeFileAtomic(folder + QStringLiteral("ready"),
                                     capturetest::portsDir().toStdString());
            for (;;) {
                ::pause();
            }
        }
    });
    f.Start1Click();
    ASSERT_TRUE(f.Serial1.Active());
    runEvents(60000);
}

// kill -9 right after a poll: the file holds every line the display showed, each complete.
TEST_F(CaptureEndToEnd, AKilledProgramKeepsEveryShownLine) {
    constexpr int kLines = 150;
    const QString base = folder();
    PrinterSim sim(6, {"--lines", "1000", "--seed", "9", "--no-pace"});
    ASSERT_TRUE(sim.published());
    ::setenv("KORVEL_CHILD_PTY",
             QFileInfo(capturetest::portsDir() + QStringLiteral("/COM6"))
                 .symLinkTarget()
                 .toLocal8Bit()
                 .constData(),
             1);
    ::setenv("KORVEL_CHILD_FOLDER", base.toLocal8Bit().constData(), 1);
    ::setenv("KORVEL_CHILD_LINES", std::to_string(kLines).c_str(), 1);
    ChildProcess child({QCoreApplication::applicationFilePath().toStdString(),
                        "--gtest_filter=CaptureRecordingChild.RecordsUntilKilled"});
    ::unsetenv("KORVEL_CHILD_PTY");
    ASSERT_TRUE(child.started());
    const bool ready = waitUntil([&] { return QFile::exists(base + "ready"); }, 60000);
    child.stop(SIGKILL);
    ASSERT_TRUE(ready);
    const std::optional<std::string> childPorts = toolkit::readAll(base + "ready", 4096);
    if (childPorts && childPorts->rfind("/tmp/korvel-capture-", 0) == 0) {
        QDir(QString::fromStdString(*childPorts)).removeRecursively();
    }

    const QStringList files = QDir(base + "Mitschnitte").entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral(R"(^DruckKorvel_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.txt$)"))
            .match(files.front())
            .hasMatch())
        << files.front().toStdString();
    const std::optional<std::string> bytes =
        toolkit::readAll(base + "Mitschnitte/" + files.front(), 1 << 20);
    ASSERT_TRUE(bytes);
    std::string expected;
    for (int i = 0; i < kLines; ++i) {
        expected += printersim::makeLine(9, i).shown + "\r\n";
    }
    ASSERT_EQ(bytes->rfind("0****  Start Aufzeichnung ", 0), 0u);
    const std::size_t first = bytes->find("\r\n") + 2;
    EXPECT_EQ(bytes->substr(first), expected);
}

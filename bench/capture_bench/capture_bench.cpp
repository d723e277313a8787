// Figures of the capture window: cost of a poll tick (also with the display at its character
// bound, 32 000 lines of 256 characters) and of a trim, lines lost over a pty at
// 9600 baud, idle CPU while recording, resident memory with a full display, the exit with a
// display of 100 000 characters, the start-up with a settings file.
//
//   capture_bench [--poll-ms N] [--only PREFIX]
//   (the lines_lost run polls every N ms, 100 as the program; --only runs the figures whose
//   names begin with PREFIX)
#include "common/ChildProcess.h"
#include "common/LineViewEntry.h"
#include "common/PortFolder.h"
#include "common/ScriptedDialogs.h"
#include "printcapture/TForm1.h"
#include "serial/Serial.h"
#include "toolkit/LineView.h"
#include "toolkit/ProgramFolder.h"
#include "toolkit/RecordingFile.h"
#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"
#include "tools/printersim/PrintedLines.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using printcapture::TForm1;

QString g_ports; // the port folder: the simulator's link and reports, the bench's files

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return done();
}

class Sim {
public:
    Sim(int com, const QStringList& options) : m_com(com) {
        QStringList args{toolkit::programFolder() + QStringLiteral("printersim"), "--ports",
                         g_ports, "--com", QString::number(com)};
        args << options;
        std::vector<std::string> argv;
        for (const QString& a : args) {
            argv.push_back(a.toStdString());
        }
        m_process = std::make_unique<ChildProcess>(argv);
    }
    bool ready() const {
        const QString link = g_ports + QStringLiteral("/COM") + QString::number(m_com);
        if (!waitUntil([&] { return QFileInfo::exists(link); }, 5000)) {
            return false;
        }
        COMManager().ScanPorts(8);
        COMManager().Rescan(); // ports that came after the first scan
        return COMManager().HasPort(m_com);
    }

private:
    int m_com;
    std::unique_ptr<ChildProcess> m_process;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// What the exit and export figures call a full display.
constexpr qint64 kFullCharacters = 100000;

std::string line80(int i, std::size_t length = 80) {
    std::string s = (i % 3 == 0 ? "  " : "") + std::to_string(i) + "  St\x94rung Melder ";
    s.resize(length, 'x');
    return s;
}

// A display of `lines` lines of `length` characters. Without `keepLimit` the text limit is
// lifted so it can hold them; with it, the display stays within its own bound.
void fill(TForm1& f, int lines, std::size_t length = 80, bool keepLimit = false) {
    f.RichEdit1->clear();
    f.RichEdit1->setTextLimit(keepLimit ? TForm1::kTextLimit : 0);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (int i = 0; i < lines; ++i) {
        testsupport::appendEntry8(*f.RichEdit1, line80(i, length),
                                  i % 3 == 0 ? QTextCharFormat() : bold);
    }
    QCoreApplication::processEvents();
}

// One receive poll that shows one line, with the repaint it causes, while the view follows the
// end. At the display's character
// bound (`full`) every line first deletes the oldest line to make its room.
double tickMicros(int displayLines, std::size_t length = 80, bool full = false) {
    TForm1 f;
    f.MaxLines = 32000;
    f.show();
    fill(f, displayLines, length, full);
    // The view follows the end, as while a technician watches a recording.
    QScrollBar* bar = f.RichEdit1->verticalScrollBar();
    bar->setValue(bar->maximum());
    QCoreApplication::processEvents();
    if (full &&
        f.RichEdit1->characterCount() + static_cast<qint64>(length) + 1 <= TForm1::kTextLimit) {
        return -1; // not at the bound: the figure would not be what its name says
    }
    std::vector<double> us;
    for (int i = 0; i < 300; ++i) {
        f.ReceiveBuffer.append(line80(i, length) + "\x0A\x0D");
        QElapsedTimer t;
        t.start();
        f.Timer1Timer();
        QCoreApplication::processEvents();
        us.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    if (bar->value() != bar->maximum()) {
        return -1; // the view stopped following the end: the figure would not be a scrolling tick
    }
    return median(us);
}

long rssKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& l : f.readAll().split('\n')) {
        if (l.startsWith("VmRSS:")) {
            return l.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return 0;
}

double rssMb32000() {
    TForm1 f;
    f.show();
    fill(f, 32000);
    return static_cast<double>(rssKb()) / 1024.0;
}

double trimMillis(std::size_t length) {
    TForm1 f;
    f.MaxLines = 32000;
    f.show();
    std::vector<double> ms;
    for (int rep = 0; rep < 5; ++rep) {
        fill(f, 32000 + 50, length);
        QElapsedTimer t;
        t.start();
        f.Timer2Timer();
        QCoreApplication::processEvents();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

// Lines of the printout that do not appear, unchanged and in order, in the display.
int linesLost(int pollMs) {
    constexpr int kLines = 2000;
    constexpr int kSeed = 3;
    Sim sim(6, {"--lines", QString::number(kLines), "--seed", QString::number(kSeed), "--baud"});
    if (!sim.ready()) {
        return kLines;
    }
    QTemporaryDir recordings; // the recording files go there
    TForm1 f(nullptr, recordings.path() + '/');
    f.Serial1.setCOMPort(6);
    f.show();
    if (pollMs != TForm1::kPollMs) {
        f.setTimerPeriodsForTest(pollMs, TForm1::kKeepAliveMs);
    }
    f.Start1Click();
    // Done when nothing new arrived for a while and the backlog is drained.
    QElapsedTimer quiet;
    quiet.start();
    int lastCount = 0;
    waitUntil(
        [&] {
            const int n = f.RichEdit1->lineCount();
            if (n != lastCount || !f.ReceiveBuffer.empty()) {
                lastCount = n;
                quiet.restart();
            }
            return n >= kLines + 1 || quiet.elapsed() > 5000;
        },
        600000);
    f.Stop1Click();

    int lost = 0;
    QTextBlock block = f.RichEdit1->document()->firstBlock().next(); // after the start marker
    for (int i = 0; i < kLines; ++i) {
        const QString want = toolkit::fromWin1252(printersim::makeLine(kSeed, i).shown);
        QTextBlock probe = block;
        int ahead = 0;
        while (probe.isValid() && probe.text() != want && ahead < 20) {
            probe = probe.next();
            ++ahead;
        }
        if (probe.isValid() && probe.text() == want) {
            block = probe.next();
        } else {
            ++lost;
        }
    }
    return lost;
}

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double idleCpuPercent() {
    Sim sim(7, {"--lines", "0"});
    if (!sim.ready()) {
        return -1;
    }
    QTemporaryDir recordings; // the recording files go there
    TForm1 f(nullptr, recordings.path() + '/');
    f.Serial1.setCOMPort(7);
    f.show();
    f.Start1Click();
    waitUntil([] { return false; }, 500);
    const double cpu0 = cpuSeconds();
    QElapsedTimer t;
    t.start();
    // The real event loop, not a polling wait: what the program does while recording.
    QTimer::singleShot(10000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double pct = 100.0 * (cpuSeconds() - cpu0) / (static_cast<double>(t.elapsed()) / 1e3);
    f.Stop1Click();
    return pct;
}

// Export of a display of 100 000 characters (the display's bound before it held 32 000 long
// lines; kept so the figure compares), answered "No" to the customer question:
// building the document, writing the RTF and the box, as the user waits for it.
double exportMillisFull() {
    TForm1 f;
    f.show();
    f.RichEdit1->setTextLimit(kFullCharacters);
    for (int i = 0; testsupport::appendEntry8(*f.RichEdit1, line80(i), QTextCharFormat()); ++i) {
    }
    const QString path = g_ports + QStringLiteral("/export.rtf");
    std::vector<double> ms;
    for (int rep = 0; rep < 7; ++rep) {
        testsupport::ScriptedDialogs boxes;
        boxes.fileAnswers.push_back(path);
        boxes.confirmAnswers.push_back(false);
        QElapsedTimer t;
        t.start();
        f.alsMitschnittimrtf1Click();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

// "Öffnen" of a text file of 32 000 lines of 80 characters, the display's limit lifted.
double openMillis32000() {
    const QString path = g_ports + QStringLiteral("/open.txt");
    std::vector<std::string> lines;
    for (int i = 0; i < 32000; ++i) {
        lines.push_back(line80(i));
    }
    toolkit::writeLines(path, lines);
    TForm1 f;
    f.MaxLines = 32000;
    f.RichEdit1->setTextLimit(0);
    f.show();
    std::vector<double> ms;
    for (int rep = 0; rep < 3; ++rep) {
        testsupport::ScriptedDialogs boxes;
        boxes.fileAnswers.push_back(path);
        QElapsedTimer t;
        t.start();
        f.ffnen1Click();
        QCoreApplication::processEvents();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

// A display filled to 100 000 characters with 80-character lines of all three styles.
void fillToLimit(TForm1& f) {
    f.RichEdit1->setTextLimit(kFullCharacters);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    for (int i = 0;; ++i) {
        const QTextCharFormat& style = i % 50 == 0 ? italic : i % 3 == 0 ? QTextCharFormat() : bold;
        if (!testsupport::appendEntry8(*f.RichEdit1, line80(i), style)) {
            break;
        }
    }
}

// "Beenden" with a full display: the settings file and the protocol written.
double exitMillisFull() {
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    std::vector<double> ms;
    for (int rep = 0; rep < 7; ++rep) {
        TForm1 f(nullptr, folder);
        f.show();
        fillToLimit(f);
        QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        f.Beenden1Click();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        if (!QFileInfo::exists(folder + QStringLiteral("protokoll.rtf"))) {
            return -1;
        }
    }
    return median(ms);
}

// Counts paint events of one window's widgets.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* window) : m_window(window) {}
    bool painted = false;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && o->isWidgetType() &&
            static_cast<QWidget*>(o)->window() == m_window) {
            painted = true;
        }
        return false;
    }

private:
    QWidget* m_window;
};

// The start-up step with a settings file, to the first painted window.
double startMillis() {
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    {
        TForm1 f(nullptr, folder);
        f.move(30, 40);
        f.MaxLines = 20000;
        f.SaveSettings();
    }
    std::vector<double> ms;
    for (int rep = 0; rep < 7; ++rep) {
        QElapsedTimer t;
        t.start();
        TForm1 f(nullptr, folder);
        PaintWatch watch(&f);
        qApp->installEventFilter(&watch);
        f.show();
        waitUntil([&] { return watch.painted; }, 10000);
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        qApp->removeEventFilter(&watch);
    }
    return median(ms);
}

// The recording file's cost per line as a poll adds it: the line with its CR LF handed to the
// operating system at once, and forced to the disk at every keep-alive (every 100th poll).
double recordMicrosPerLine() {
    constexpr int kLines = 20000;
    QTemporaryDir dir;
    toolkit::RecordingFile file;
    if (!file.create(dir.path(), QStringLiteral("DruckKorvel_"), QDateTime::currentDateTime())) {
        return -1;
    }
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kLines; ++i) {
        file.appendLine(line80(i));
        file.flush();
        if (i % 100 == 99) {
            file.sync();
        }
    }
    return static_cast<double>(t.nsecsElapsed()) / 1000.0 / kLines;
}

void print(const char* name, double value) {
    std::printf("%s %.3g\n", name, value);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const testsupport::PortFolder ports;
    g_ports = QString::fromStdString(ports.path());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int pollMs = TForm1::kPollMs;
    std::string only; // a name prefix: run only the figures whose names start with it
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--poll-ms") {
            pollMs = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::string(argv[i]) == "--only") {
            only = argv[i + 1];
        }
    }
    const auto run = [&](const char* name, const std::function<double()>& figure) {
        if (std::string(name).starts_with(only)) {
            print(name, figure());
        }
    };
    COMManager();
    // Measured first, before other runs leave freed memory in the heap.
    const double rss = only.empty() ? rssMb32000() : 0;
    run("capture.tick_us.500", [] { return tickMicros(500); });
    run("capture.tick_us.32000", [] { return tickMicros(32000); });
    run("capture.tick_us.full", [] { return tickMicros(32000, 256, true); });
    run("capture.tick_us.32000x256", [] { return tickMicros(32000, 256); });
    run("capture.trim_ms.32000", [] { return trimMillis(80); });
    run("capture.trim_ms.32000x256", [] { return trimMillis(256); });
    run("capture.record_us.line", recordMicrosPerLine);
    run("capture.lines_lost", [&] { return linesLost(pollMs); });
    run("capture.idle_cpu_pct", idleCpuPercent);
    if (only.empty()) {
        print("capture.rss_mb.32000", rss);
    }
    run("capture.exit_ms.full", exitMillisFull);
    run("capture.start_ms", startMillis);
    run("capture.export_ms.full", exportMillisFull);
    run("capture.open_ms.32000", openMillis32000);
    return 0;
}

// Costs of a service session: one poll tick of the window after a short, a long and a 64 MiB
// recording, the memory that the protocol takes per MB received, saving 64 MiB, the CPU while
// receiving at 115200 bit/s, and the time from a prompt's last byte to the first byte of the
// answer, against the simulated controller over a pty. Figures are printed as "name value".

#include "PanelSim.h"
#include "PtyLink.h"
#include "common/ScriptedDialogs.h"
#include "serial/Serial.h"
#include "servicetool/MainForm.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string makePortFolder() {
    std::string templ = "/tmp/korvel-session-bench-XXXXXX";
    if (!mkdtemp(templ.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    setenv("KORVEL_PORTS", templ.c_str(), 1);
    // Only our own ports: the machine's real ones are shadowed by dangling links.
    for (int n = 1; n <= 9; ++n) {
        const std::string link = templ + "/COM" + std::to_string(n);
        [[maybe_unused]] int r = symlink("/nonexistent/korvel-bench-port", link.c_str());
    }
    return templ;
}

void refreshPorts() {
    COMManager().ScanPorts(9);
    COMManager().Rescan();
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const std::size_t i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// Hands a piece to the window's port and waits until it is in the receive queue.
void deliver(panelsim::PtyLink& pty, servicetool::TForm1& form, const std::string& piece) {
    const std::uint32_t before = form.Serial1.InQueCount();
    pty.writeAll(piece);
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (form.Serial1.InQueCount() < before + piece.size() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

// Resident memory of this process; 0 where /proc is not there.
double rssMiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& l : f.readAll().split('\n')) {
        if (l.startsWith("VmRSS:")) {
            return l.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

const std::string TraceLine = "TR 0001 loop 1 element 017 state 3c  ................ 17 42 ok\r\n";

// A window connected to a pty whose other end the bench holds; the ticks are run by hand.
struct Session {
    explicit Session(const std::string& folder) {
        std::string error;
        if (!pty.open(folder, 1, &error)) {
            std::fprintf(stderr, "session_bench: %s\n", error.c_str());
            std::exit(1);
        }
        refreshPorts();
        form = std::make_unique<servicetool::TForm1>(nullptr, recordings.path() + '/');
        form->show();
        form->BitBtn1Click();
        form->Timer1->stop();
    }
    // Streams `bytes` of trace output in pieces of a poll's worth at 115200 bit/s.
    void receive(std::size_t bytes) {
        std::string stream;
        while (stream.size() < 1152 * 64) {
            stream += TraceLine;
        }
        for (std::size_t fed = 0; fed < bytes;) {
            const std::size_t at = fed % (1152 * 32);
            const std::size_t n = std::min<std::size_t>(1152, bytes - fed);
            deliver(pty, *form, stream.substr(at, n));
            form->Timer1Timer();
            fed += n;
        }
        QCoreApplication::processEvents(); // the view repaints
    }
    // Median cost of one poll tick with a 64-byte keyword-free piece.
    double tickMicros() {
        const std::string piece = TraceLine.substr(0, 62) + "\r\n";
        std::vector<double> costs;
        for (int i = 0; i < 501; ++i) {
            deliver(pty, *form, piece);
            const auto t0 = Clock::now();
            form->Timer1Timer();
            costs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        }
        return percentile(costs, 0.5);
    }

    QTemporaryDir recordings; // the program folder: the session recordings go there
    testsupport::ScriptedDialogs dialogs;
    panelsim::PtyLink pty;
    std::unique_ptr<servicetool::TForm1> form;
};

double tickMicros(const std::string& folder, std::size_t history) {
    Session session(folder);
    session.receive(history);
    return session.tickMicros();
}

struct LongRecording {
    double rssPerMb = 0;
    double tickUs = 0;
    double saveMs = 0;
};

// 64 MiB received: memory growth, tick cost and saving it all.
LongRecording longRecording(const std::string& folder) {
    constexpr std::size_t Bytes = std::size_t{64} << 20;
    Session session(folder);
    session.receive(1 << 20); // the first MiB settles the allocator and the fonts
    const double before = rssMiB();
    session.receive(Bytes - (1 << 20));
    LongRecording r;
    r.rssPerMb = (rssMiB() - before) / 63.0;
    r.tickUs = session.tickMicros();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("protokoll.rtf"));
    session.dialogs.fileAnswers.push_back(path);
    const auto t0 = Clock::now();
    session.form->Speichernunter1Click();
    r.saveMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    if (QFile(path).size() < static_cast<qint64>(Bytes)) {
        std::fprintf(stderr, "session_bench: the saved protocol is too short\n");
        std::exit(1);
    }
    return r;
}

// CPU of the window's thread, in percent of one core, while the controller sends trace output
// at the line rate and the window polls with its own timer and repaints.
double cpuPercentAtLineRate(const std::string& folder, int seconds) {
    Session session(folder);
    session.form->Timer1->start();
    std::atomic<bool> stop{false};
    std::thread feeder([&] {
        std::string stream;
        while (stream.size() < 1152 * 64) {
            stream += TraceLine;
        }
        std::size_t at = 0;
        auto next = Clock::now();
        while (!stop) {
            session.pty.writeAll(std::string_view(stream).substr(at, 1152));
            at = (at + 1152) % (1152 * 32);
            next += std::chrono::milliseconds(100);
            std::this_thread::sleep_until(next);
        }
    });
    const double cpu0 = threadCpuSeconds();
    const auto t0 = Clock::now();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = threadCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    stop = true;
    feeder.join();
    return 100.0 * cpu / wall;
}

double answerP95(const std::string& folder) {
    panelsim::Options o;
    o.version = 2;
    o.portsDir = folder;
    o.seed = 4711;
    o.restartDelayMs = 100;
    o.prompts = 30;
    o.expectLetter = 'd';
    o.lingerMs = 3000;
    panelsim::PanelSim sim(o);
    std::string error;
    if (!sim.open(&error)) {
        std::fprintf(stderr, "session_bench: %s\n", error.c_str());
        std::exit(1);
    }
    refreshPorts();
    testsupport::ScriptedDialogs dialogs; // answers "Werkseinstellung wird geladen !"
    QTemporaryDir recordings;             // the program folder: the session recording goes there
    servicetool::TForm1 form(nullptr, recordings.path() + '/');
    sim.start();
    form.BitBtn1Click();
    QElapsedTimer clock;
    clock.start();
    while (!sim.waitSessions(1, 0) && clock.elapsed() < 120000) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    sim.stop();
    const auto reports = sim.reports();
    if (reports.empty() || !reports.front().ok) {
        std::fprintf(stderr, "session_bench: the session failed\n%s",
                     reports.empty() ? "" : reports.front().text().c_str());
        std::exit(1);
    }
    std::vector<double> latencies;
    for (const panelsim::PromptRecord& p : reports.front().prompts) {
        latencies.push_back(p.latencyMs());
    }
    std::fprintf(stderr, "session_bench: %zu prompts, answer median %.1f ms, max %.1f ms\n",
                 latencies.size(), percentile(latencies, 0.5), percentile(latencies, 1.0));
    return percentile(latencies, 0.95);
}

} // namespace

// The recording's share of one tick at 115200 bit/s: what the protocol gained in a poll's
// worth of trace (1152 bytes) taken from the store, handed to the operating system. Median.
double recordMicrosPerTick() {
    toolkit::LineStore store;
    servicetool::ProtocolStream protocol(store);
    servicetool::ProtocolRecording recorded;
    QTemporaryDir dir;
    toolkit::RecordingFile file;
    if (!file.create(dir.path(), QStringLiteral("Korvel-Tool_"), QDateTime::currentDateTime())) {
        return -1;
    }
    std::string stream;
    while (stream.size() < 1152 * 64) {
        stream += TraceLine;
    }
    std::vector<double> costs;
    for (std::size_t tick = 0; tick < 2000; ++tick) {
        protocol.receive(std::string_view(stream).substr((tick * 1152) % (1152 * 63), 1152));
        const auto t0 = Clock::now();
        file.append(recorded.takeNew(store));
        file.flush();
        costs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    return percentile(costs, 0.5);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const std::string folder = makePortFolder();
    QApplication app(argc, argv);

    const double small = tickMicros(folder, 1024);
    const double large = tickMicros(folder, 1024 * 1024);
    std::printf("session.tick_us.small %.1f\n", small);
    std::printf("session.tick_us.large %.1f\n", large);
    std::printf("session.record_us.tick %.1f\n", recordMicrosPerTick());
    std::fflush(stdout);
    const LongRecording recording = longRecording(folder);
    std::printf("session.rss_mb_per_mb %.2f\n", recording.rssPerMb);
    std::printf("session.tick_us.64mb %.1f\n", recording.tickUs);
    std::printf("session.save_ms.64mb %.0f\n", recording.saveMs);
    std::fflush(stdout);
    std::printf("session.cpu_pct.115200 %.2f\n", cpuPercentAtLineRate(folder, 20));
    std::fflush(stdout);
    std::printf("session.answer_ms.p95 %.1f\n", answerP95(folder));

    for (int n = 1; n <= 9; ++n) {
        unlink((folder + "/COM" + std::to_string(n)).c_str());
    }
    rmdir(folder.c_str());
    return 0;
}

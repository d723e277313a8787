// Costs of a service session: one poll tick of the window after a short and after a long
// recording, and the time from a prompt's last byte to the first byte of the answer, against
// the simulated controller over a pty.

#include "PanelSim.h"
#include "PtyLink.h"
#include "serial/Serial.h"
#include "servicetool/MainForm.h"
#include "toolkit/ScriptedDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

// Median cost of one poll tick with a 64-byte keyword-free piece, after `history` bytes.
double tickMicros(const std::string& folder, std::size_t history) {
    panelsim::PtyLink pty;
    std::string error;
    if (!pty.open(folder, 1, &error)) {
        std::fprintf(stderr, "session_bench: %s\n", error.c_str());
        std::exit(1);
    }
    refreshPorts();
    servicetool::TForm1 form;
    form.BitBtn1Click();
    form.Timer1->stop(); // the ticks are run by hand
    const std::string line = "TR 0001 loop 1 element 017 state 3c ................\r\n";
    std::string block;
    // Below the pty's input buffer of 4 KiB, so a block arrives whole.
    while (block.size() < 2048) {
        block += line;
    }
    for (std::size_t fed = 0; fed < history; fed += block.size()) {
        deliver(pty, form, block.substr(0, std::min(block.size(), history - fed)));
        form.Timer1Timer();
    }
    const std::string piece = line.substr(0, 62) + "\r\n";
    std::vector<double> costs;
    for (int i = 0; i < 501; ++i) {
        deliver(pty, form, piece);
        const auto t0 = Clock::now();
        form.Timer1Timer();
        costs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    return percentile(costs, 0.5);
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
    toolkit::ScriptedDialogs dialogs; // answers "Werkseinstellung wird geladen !"
    servicetool::TForm1 form;
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
    std::fflush(stdout);
    std::printf("session.answer_ms.p95 %.1f\n", answerP95(folder));

    for (int n = 1; n <= 9; ++n) {
        unlink((folder + "/COM" + std::to_string(n)).c_str());
    }
    rmdir(folder.c_str());
    return 0;
}

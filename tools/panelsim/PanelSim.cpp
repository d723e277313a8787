#include "PanelSim.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sstream>
#include <unistd.h>

namespace panelsim {

namespace {

std::string printable(unsigned char b) {
    if (b >= 32 && b < 127) {
        return std::string(1, static_cast<char>(b));
    }
    char buf[8];
    std::snprintf(buf, sizeof buf, "<%02X>", b);
    return buf;
}

std::string fixed1(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

std::string makeTempPortsDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/panelsim-XXXXXX";
    if (!mkdtemp(templ.data())) {
        return {};
    }
    return templ;
}

} // namespace

// ---------------------------------------------------------------------------------------------

std::string SessionReport::receivedText() const {
    std::string out;
    for (const ReceivedByte& r : received) {
        out += printable(r.byte);
    }
    return out;
}

std::string SessionReport::text() const {
    std::ostringstream out;
    out << "session " << number << " (Version " << version << "): " << (ok ? "ok" : "FAILED")
        << "\n";
    out << "  received " << received.size() << " bytes:";
    for (const ReceivedByte& r : received) {
        out << " " << printable(r.byte) << "@" << fixed1(r.ms);
    }
    out << "\n";
    for (const PromptRecord& p : prompts) {
        out << "  prompt \"" << p.keyword << "\": ";
        if (p.answeredMs < 0) {
            out << "no answer\n";
        } else {
            out << "answer \"" << p.answer << "\" after " << fixed1(p.latencyMs()) << " ms\n";
        }
    }
    for (const std::string& n : notes) {
        out << "  ok: " << n << "\n";
    }
    for (const std::string& f : findings) {
        out << "  WRONG: " << f << "\n";
    }
    out << "  port " << (closedByProgram ? "closed by the program" : "still open") << "\n";
    return out.str();
}

// ---------------------------------------------------------------------------------------------

PanelSim::PanelSim(Options options) : m_options(std::move(options)) {
    m_start = std::chrono::steady_clock::now();
    m_randomState = m_options.seed != 0
                        ? m_options.seed
                        : static_cast<unsigned>(m_start.time_since_epoch().count() | 1);
    if (m_options.baud <= 0) {
        m_options.baud = m_options.version == 1 ? 9600 : 115200;
    }
}

PanelSim::~PanelSim() {
    stop();
    m_link.close();
    if (m_ownsPortsDir) {
        ::rmdir(m_portsDir.c_str());
    }
}

bool PanelSim::open(std::string* error) {
    m_portsDir = m_options.portsDir;
    if (m_portsDir.empty()) {
        if (const char* env = std::getenv("KORVEL_PORTS"); env && *env) {
            m_portsDir = env;
        }
    }
    if (m_portsDir.empty()) {
        m_portsDir = makeTempPortsDir();
        m_ownsPortsDir = !m_portsDir.empty();
        if (m_portsDir.empty()) {
            if (error) {
                *error = std::string("temporary port folder: ") + std::strerror(errno);
            }
            return false;
        }
    }
    return m_link.open(m_portsDir, m_options.comPort, error);
}

unsigned PanelSim::random(unsigned below) {
    // xorshift32: the same seed gives the same pieces and pauses.
    m_randomState ^= m_randomState << 13;
    m_randomState ^= m_randomState >> 17;
    m_randomState ^= m_randomState << 5;
    return below == 0 ? 0 : m_randomState % below;
}

double PanelSim::nowMs() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start)
        .count();
}

void PanelSim::log(const std::string& line) const {
    if (m_options.verbose) {
        std::fprintf(stderr, "panelsim: %s\n", line.c_str());
    }
}

int PanelSim::receive(int timeoutMs) {
    char buffer[256];
    const int n = m_link.readSome(buffer, sizeof buffer, timeoutMs);
    if (n <= 0) {
        return n;
    }
    const double t = nowMs();
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < n; ++i) {
        m_current.received.push_back({t, static_cast<unsigned char>(buffer[i])});
    }
    return n;
}

bool PanelSim::pause(double ms) {
    const double end = nowMs() + ms;
    while (!m_stop) {
        const double left = end - nowMs();
        if (left <= 0) {
            return true;
        }
        // Round up so a short wait still waits.
        receive(static_cast<int>(left) + 1);
    }
    return false;
}

bool PanelSim::say(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && !m_stop) {
        if (pos > 0 && !pause(random(m_options.maxGapMs + 1))) {
            return false;
        }
        const std::size_t n =
            std::min<std::size_t>(text.size() - pos, 1 + random(m_options.maxPieceBytes));
        // The line needs ten bit times per byte; the piece is complete when the last one is
        // written.
        if (!pause(static_cast<double>(n) * 10000.0 / m_options.baud)) {
            return false;
        }
        m_link.writeAll(std::string_view(text).substr(pos, n));
        {
            std::lock_guard lock(m_mutex);
            m_current.sent.append(text, pos, n);
        }
        m_lastWriteMs = nowMs();
        m_receivedAtLastWrite = m_current.received.size();
        pos += n;
    }
    return !m_stop;
}

void PanelSim::start() {
    m_thread = std::thread([this] { run(); });
}

void PanelSim::stop() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void PanelSim::restart() {
    m_restart = true;
}

bool PanelSim::waitSessions(int count, int timeoutMs) {
    std::unique_lock lock(m_mutex);
    return m_ended.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return static_cast<int>(m_reports.size()) >= count; });
}

std::vector<SessionReport> PanelSim::reports() const {
    std::lock_guard lock(m_mutex);
    return m_reports;
}

bool PanelSim::waitForProgram() {
    while (!m_stop && !m_link.peerAttached()) {
        ::usleep(10000);
    }
    return !m_stop;
}

bool PanelSim::waitRestart() {
    if (m_options.restartDelayMs >= 0) {
        return pause(m_options.restartDelayMs);
    }
    while (!m_stop && !m_restart) {
        if (m_options.restartOnEnter) {
            pollfd p{STDIN_FILENO, POLLIN, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
                char line[256];
                if (::read(STDIN_FILENO, line, sizeof line) <= 0) {
                    m_options.restartOnEnter = false; // end of input: no more key presses
                }
                break;
            }
        }
        pause(20);
    }
    m_restart = false;
    return !m_stop;
}

void PanelSim::run() {
    for (int n = 1; !m_stop && (m_options.sessions == 0 || n <= m_options.sessions); ++n) {
        playSession(n);
    }
}

} // namespace panelsim

#include "PrinterSim.h"

#include "PrintedLines.h"
#include "ptylink/PtyLink.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <unistd.h>

namespace printersim {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kByteTime = std::chrono::microseconds(1042); // 10 bits at 9600 bit/s

class Report {
public:
    explicit Report(const std::string& path) {
        if (!path.empty()) {
            m_file = std::fopen(path.c_str(), "w");
        }
    }
    ~Report() {
        if (m_file != nullptr) {
            std::fclose(m_file);
        }
    }
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    // One event per line, flushed at once so a killed simulator leaves a usable report.
    void write(const std::string& text) {
        if (m_file == nullptr) {
            return;
        }
        const long ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_t0).count();
        std::fprintf(m_file, "%ld %s\n", ms, text.c_str());
        std::fflush(m_file);
    }

private:
    std::FILE* m_file = nullptr;
    Clock::time_point m_t0 = Clock::now();
};

std::string escaped(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

class Printer {
public:
    Printer(const Options& o, const ptylink::PtyLink& pty, Report& report)
        : m_o(o), m_pty(pty), m_report(report) {
        m_paused = o.waitXon;
    }

    void loop(const std::atomic<bool>& stop) {
        Clock::time_point lingerEnd = Clock::time_point::max();
        while (!stop.load()) {
            if (finished() && lingerEnd == Clock::time_point::max()) {
                m_report.write("done sent=" + std::to_string(m_sentLines));
                if (m_o.lingerMs >= 0) {
                    lingerEnd = Clock::now() + std::chrono::milliseconds(m_o.lingerMs);
                }
            }
            if (Clock::now() >= lingerEnd) {
                break;
            }
            waitForWork();
            readFromPc();
            if (!m_paused && !finished()) {
                sendDue();
            }
        }
    }

private:
    bool finished() const { return m_line >= m_o.lines && m_pending.empty(); }

    void waitForWork() {
        int timeoutMs = 50;
        if (!m_paused && !finished()) {
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(m_nextDue - Clock::now());
            timeoutMs = std::max<int>(0, std::min<int>(50, static_cast<int>(wait.count())));
        }
        // A full PC side is waited out on POLLOUT rather than by spinning.
        const short events = m_blocked ? POLLIN | POLLOUT : POLLIN;
        if (m_blocked) {
            timeoutMs = 50;
        }
        pollfd fd{m_pty.master(), events, 0};
        ::poll(&fd, 1, timeoutMs);
        m_blocked = false;
    }

    void readFromPc() {
        unsigned char buf[256];
        for (;;) {
            const ssize_t n = ::read(m_pty.master(), buf, sizeof buf);
            if (n <= 0) {
                return;
            }
            for (ssize_t i = 0; i < n; ++i) {
                onByte(buf[i]);
            }
        }
    }

    void onByte(unsigned char b) {
        char text[16];
        std::snprintf(text, sizeof text, "rx 0x%02X", b);
        m_report.write(text);
        if (b == 0x13 && !m_paused) {
            m_paused = true;
            m_report.write("paused");
        } else if (b == 0x11 && m_paused) {
            m_paused = false;
            m_nextDue = std::max(m_nextDue, Clock::now());
            m_report.write("resumed");
        }
    }

    void nextLine() {
        const PrintedLine line = makeLine(m_o.seed, m_line);
        m_pending = line.wire + "\x0A\x0D";
        m_report.write("tx " + std::to_string(m_line) + " " + escaped(line.wire));
        ++m_line;
        if (m_o.rate > 0) {
            m_lineDue = m_lineStart() +
                        std::chrono::microseconds(static_cast<long>(1e6 * m_line / m_o.rate));
        }
    }

    Clock::time_point m_lineStart() {
        if (m_started == Clock::time_point{}) {
            m_started = Clock::now();
        }
        return m_started;
    }

    // Sends what is due now: one byte per byte time at 9600 baud, all at once without pacing.
    void sendDue() {
        const auto now = Clock::now();
        while (!m_paused && now >= m_nextDue) {
            if (m_pending.empty()) {
                if (m_line >= m_o.lines || now < m_lineDue) {
                    m_nextDue = std::max(m_nextDue, m_lineDue);
                    return;
                }
                nextLine();
            }
            const std::size_t count = m_o.pace ? 1 : m_pending.size();
            const ssize_t n = ::write(m_pty.master(), m_pending.data(), count);
            if (n <= 0) {
                m_blocked = true; // the PC side is full; wait until it takes bytes again
                return;
            }
            m_pending.erase(0, static_cast<std::size_t>(n));
            if (m_pending.empty()) {
                ++m_sentLines;
            }
            if (m_o.pace) {
                m_nextDue += kByteTime;
                m_nextDue = std::max(m_nextDue, now - kByteTime * 8); // no burst after a stall
            }
            readFromPc(); // a DC3 stops the printer within a byte
        }
    }

    const Options& m_o;
    const ptylink::PtyLink& m_pty;
    Report& m_report;
    bool m_paused = false;
    bool m_blocked = false;
    int m_line = 0;
    int m_sentLines = 0;
    std::string m_pending;
    Clock::time_point m_nextDue = Clock::now();
    Clock::time_point m_lineDue{};
    Clock::time_point m_started{};
};

} // namespace

int run(const Options& options, const std::atomic<bool>& stop) {
    std::string dir = options.portsDir;
    if (dir.empty()) {
        const char* env = std::getenv("KORVEL_PORTS");
        dir = env != nullptr ? env : "";
    }
    if (dir.empty()) {
        std::fprintf(stderr, "printersim: no port folder (--ports or KORVEL_PORTS)\n");
        return 1;
    }
    // Raw both ways: LF CR must reach the PC unchanged and nothing may be echoed back. The
    // slave is held so the master sees no hang-up while the PC has the port closed.
    ptylink::PtyLink pty;
    std::string error;
    if (!pty.open(dir, options.com, &error, {.holdSlave = true, .speed = B9600})) {
        std::fprintf(stderr, "printersim: %s\n", error.c_str());
        return 1;
    }
    Report report(options.report);
    report.write("start COM" + std::to_string(options.com) + " " + pty.slavePath() + " lines=" +
                 std::to_string(options.lines) + " seed=" + std::to_string(options.seed));
    Printer printer(options, pty, report);
    printer.loop(stop);
    report.write("end");
    return 0;
}

} // namespace printersim

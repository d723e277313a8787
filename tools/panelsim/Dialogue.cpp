// The boot dialogue of the two controller generations and the judgement of the answers.

#include "PanelSim.h"

#include <cstdio>
#include <limits>

namespace panelsim {

namespace {

constexpr int kBurstLetters = 12;
constexpr double kLetterGapMinMs = 70;
constexpr double kLetterGapMaxMs = 250;
constexpr double kListenerQuietMs = 200; // a second "m" would come within one poll period
constexpr double kLettersQuietMs = 600;  // letters come about 100 ms apart

const char* const BannerV2 = "\r\n\r\nKorvel CPU-7 boot loader 2.41\r\n"
                             "checking RAM ........ 64 MB ok\r\n"
                             "checking flash ...... ok\r\n"
                             "bus modules: 4 found\r\n";
const char* const ListenerPromptV2 = "\r\npress m within 3 s to start the listener";
const char* const ListenerAckV2 = " m\r\nservice mode active\r\n";
const char* const MenuV2 = "\r\nservice menu\r\n"
                           "  d  load defaults\r\n"
                           "  n  start trace recording\r\n"
                           "  f  stop trace recording\r\n"
                           "enter the letter of your choice 10 times";
// "- ... configuring" lines that are not the trace one show that only the whole prompt counts.
const char* const BannerV1 = "\r\n\r\nKorvel CPU-5 firmware 1.18\r\n"
                             "- ... configuring memory\r\n"
                             "- ... configuring loops\r\n"
                             "- ... configuring network\r\n";
const char* const TraceOffPromptV1 = "- ... configuring trace off";

std::string fixed1(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

std::string traceLine(int i) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "TR %04d loop %d element %03d state %02x\r\n", i, 1 + i % 4,
                  (i * 37) % 127, (i * 91) & 0xFF);
    return buf;
}

} // namespace

void PanelSim::playSession(int number) {
    {
        std::lock_guard lock(m_mutex);
        m_current = SessionReport{};
        m_current.number = number;
        m_current.version = m_options.version;
    }
    log("waiting for a program to open " + m_link.linkPath());
    if (!waitForProgram()) {
        return;
    }
    log("port opened; restarting");
    if (!waitRestart()) {
        return;
    }
    const ptylink::PtyLink::LineSettings line = m_link.lineSettings();
    const bool completed = m_options.version == 1 ? playVersion1() : playVersion2();
    if (m_stop) {
        return;
    }
    linger();
    std::lock_guard lock(m_mutex);
    if (!completed) {
        m_current.findings.push_back("the dialogue did not complete");
    }
    if (m_options.checkLine) {
        const long baud = m_options.version == 1 ? 9600 : 115200;
        const bool rtsCts = m_options.version == 2;
        if (line.baud != baud || line.rtsCts != rtsCts || line.dataBits != 8 || line.parity ||
            line.twoStopBits) {
            m_current.findings.push_back("line settings " + std::to_string(line.baud) +
                                         " bit/s, RTS/CTS " + (line.rtsCts ? "on" : "off") + ", " +
                                         std::to_string(line.dataBits) + " data bits");
        } else {
            m_current.notes.push_back("line settings " + std::to_string(baud) + " bit/s 8N1");
        }
    }
    evaluate(m_current);
    m_reports.push_back(m_current);
    log(m_current.text());
    m_ended.notify_all();
}

bool PanelSim::playVersion2() {
    if (!say(BannerV2)) {
        return false;
    }
    for (int i = 0; i < std::max(1, m_options.prompts); ++i) {
        if (i > 0 && !pause(50 + random(250))) {
            return false;
        }
        if (!askListener()) {
            return false;
        }
    }
    return askLetters(MenuV2, "10 times");
}

bool PanelSim::playVersion1() {
    if (!say(BannerV1)) {
        return false;
    }
    for (int i = 0; i < std::max(1, m_options.prompts); ++i) {
        if (!askLetters(TraceOffPromptV1, TraceOffPromptV1)) {
            return false;
        }
    }
    return true;
}

bool PanelSim::askListener() {
    if (!say(ListenerPromptV2)) {
        return false;
    }
    PromptRecord record;
    record.keyword = "listener";
    record.sentMs = m_lastWriteMs;
    if (!awaitAnswer(record, kListenerQuietMs)) {
        return false;
    }
    return say(ListenerAckV2);
}

bool PanelSim::askLetters(const std::string& prompt, const std::string& keyword) {
    if (!say(prompt)) {
        return false;
    }
    PromptRecord record;
    record.keyword = keyword;
    record.sentMs = m_lastWriteMs;
    if (!awaitAnswer(record, kLettersQuietMs)) {
        return false;
    }
    respondTo(record.answer.empty() ? 0 : record.answer.front());
    return true;
}

void PanelSim::respondTo(char letter) {
    const bool v2 = m_options.version == 2;
    switch (letter) {
    case 'd':
        if (v2) {
            say("\r\nloading default config\r\n");
            say("erasing parameter memory ... done\r\nrestarting\r\n");
        } else {
            say("\r\n  defaults requested\r\n");
        }
        return;
    case 'n':
        say("\r\ntrace recording started\r\n");
        for (int i = 1; i <= m_options.traceLines && m_link.peerAttached(); ++i) {
            if (!pause(80 + random(120)) || !say(traceLine(i))) {
                return;
            }
        }
        return;
    case 'f':
        say("\r\ntrace recording stopped\r\nboot complete\r\n");
        return;
    default:
        say("\r\nno valid choice\r\n");
        return;
    }
}

bool PanelSim::awaitAnswer(PromptRecord& record, double quietMs) {
    const std::size_t first = m_receivedAtLastWrite;
    const double deadline = nowMs() + m_options.answerTimeoutMs;
    while (m_current.received.size() == first) {
        if (m_stop || nowMs() > deadline) {
            std::lock_guard lock(m_mutex);
            m_current.prompts.push_back(record);
            return false;
        }
        receive(20);
    }
    record.answeredMs = m_current.received[first].ms;
    while (!m_stop && nowMs() - m_current.received.back().ms < quietMs) {
        receive(20);
    }
    std::lock_guard lock(m_mutex);
    for (std::size_t i = first; i < m_current.received.size(); ++i) {
        record.answer += static_cast<char>(m_current.received[i].byte);
    }
    m_current.prompts.push_back(record);
    return true;
}

void PanelSim::linger() {
    const double end = m_options.lingerMs < 0 ? std::numeric_limits<double>::infinity()
                                              : nowMs() + m_options.lingerMs;
    while (!m_stop && m_link.peerAttached() && nowMs() < end) {
        receive(20);
    }
    std::lock_guard lock(m_mutex);
    m_current.closedByProgram = !m_link.peerAttached();
}

void PanelSim::evaluate(SessionReport& report) const {
    std::size_t answered = 0;
    for (const PromptRecord& p : report.prompts) {
        answered += p.answer.size();
        if (p.answeredMs < 0) {
            report.findings.push_back("no answer to \"" + p.keyword + "\"");
        } else if (p.keyword == "listener") {
            if (p.answer == "m") {
                report.notes.push_back("\"m\" after \"listener\" in " + fixed1(p.latencyMs()) +
                                       " ms");
            } else {
                report.findings.push_back("answer to \"listener\" was \"" + p.answer +
                                          "\", not \"m\"");
            }
        } else {
            evaluateLetters(report, p);
        }
    }
    if (report.received.size() > answered) {
        report.findings.push_back(std::to_string(report.received.size() - answered) +
                                  " bytes outside any answer");
    }
    const bool factoryReset = report.version == 2 && report.letter == 'd';
    if (factoryReset && !report.closedByProgram) {
        report.findings.push_back("port not closed after \"loading default config\"");
    }
    report.ok = report.findings.empty();
}

void PanelSim::evaluateLetters(SessionReport& report, const PromptRecord& record) const {
    const std::string& a = record.answer;
    report.letter = a.front();
    report.letterCount = static_cast<int>(a.size());
    const bool same = a.find_first_not_of(a.front()) == std::string::npos;
    const bool valid = m_options.expectLetter
                           ? a.front() == m_options.expectLetter
                           : std::string("dnf").find(a.front()) != std::string::npos;
    if (!same || !valid || a.size() != kBurstLetters) {
        report.findings.push_back("answer to \"" + record.keyword + "\" was \"" + a +
                                  "\", expected twelve times one action letter");
        return;
    }
    // The gaps between the letters, from their arrival times.
    double previous = -1;
    double low = 1e9;
    double high = 0;
    std::size_t taken = 0;
    for (const ReceivedByte& r : report.received) {
        if (r.ms < record.answeredMs || taken == a.size()) {
            continue;
        }
        ++taken;
        if (previous >= 0) {
            report.letterGapsMs.push_back(r.ms - previous);
            low = std::min(low, r.ms - previous);
            high = std::max(high, r.ms - previous);
        }
        previous = r.ms;
    }
    if (low < kLetterGapMinMs || high > kLetterGapMaxMs) {
        report.findings.push_back("letters " + fixed1(low) + " to " + fixed1(high) +
                                  " ms apart, expected about 100");
    } else {
        report.notes.push_back(std::string("twelve \"") + a.front() + "\" " + fixed1(low) + " to " +
                               fixed1(high) + " ms apart");
    }
}

} // namespace panelsim

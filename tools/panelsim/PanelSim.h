#pragma once
// A simulated panel controller at the other end of a serial line: it waits until a program
// opens the port, "restarts", plays the boot dialogue of its software version in pieces of
// random size and timing, waits for the answers to its prompts and records every byte it
// receives. The report says whether the answers were right.

#include "ptylink/PtyLink.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace panelsim {

struct Options {
    int version = 2; // software generation of the controller: 1 or 2
    int comPort = 1;
    std::string portsDir;        // empty: $KORVEL_PORTS, else a new temporary folder
    unsigned seed = 0;           // 0: from the clock
    int restartDelayMs = 1500;   // after the port was opened; < 0: wait for restart()
    bool restartOnEnter = false; // also restart on a line from standard input
    int prompts = 1;             // how often the first prompt is repeated (answer latency)
    long baud = 0;               // pace of the output; 0: the version's line rate
    int maxPieceBytes = 24;
    int maxGapMs = 40;     // pause between pieces: 0 .. maxGapMs
    char expectLetter = 0; // the action letter expected; 0: any of d, n, f
    int answerTimeoutMs = 5000;
    int traceLines = 10;   // lines printed after a trace start or stop
    int lingerMs = 3000;   // after the dialogue: wait this long for the program to close
    int sessions = 1;      // boots to play; 0: until stop()
    bool checkLine = true; // the program's line settings must match the version
    bool verbose = false;  // log progress to standard error
};

struct ReceivedByte {
    double ms; // since the simulator started
    unsigned char byte;
};

struct PromptRecord {
    std::string keyword;
    double sentMs = 0;      // time of the prompt's last byte
    double answeredMs = -1; // time of the answer's first byte; -1: no answer
    std::string answer;     // everything received after the prompt until the next step
    double latencyMs() const { return answeredMs < 0 ? -1 : answeredMs - sentMs; }
};

struct SessionReport {
    int number = 0;
    int version = 2;
    bool ok = false;
    std::vector<std::string> findings; // what was wrong
    std::vector<std::string> notes;    // what went right
    std::vector<ReceivedByte> received;
    std::string sent; // everything the controller printed, in order
    std::vector<PromptRecord> prompts;
    std::vector<double> letterGapsMs;
    char letter = 0;
    int letterCount = 0;
    bool closedByProgram = false;
    std::string text() const;
    std::string receivedText() const;
};

class PanelSim {
public:
    explicit PanelSim(Options options);
    ~PanelSim();
    PanelSim(const PanelSim&) = delete;
    PanelSim& operator=(const PanelSim&) = delete;

    // Creates the pty and publishes it. False with a message on failure.
    bool open(std::string* error = nullptr);
    const std::string& portsDir() const { return m_portsDir; }
    const ptylink::PtyLink& link() const { return m_link; }

    // Runs the sessions on the calling thread, or on a thread of its own.
    void run();
    void start();
    // Ends the run: the current wait is cut short, the thread joined.
    void stop();
    // Only sets a flag (safe in a signal handler); run() returns soon after.
    void requestStop() { m_stop = true; }
    // "Reset" pressed at the panel (when restartDelayMs < 0).
    void restart();

    // Waits until `count` sessions have ended. False on timeout.
    bool waitSessions(int count, int timeoutMs);
    std::vector<SessionReport> reports() const;
    bool attached() const { return m_link.peerAttached(); }

private:
    double nowMs() const;
    // Waits up to ms, recording what arrives. False when stopped.
    bool pause(double ms);
    // Reads once (up to timeoutMs) into the current session's record.
    int receive(int timeoutMs);
    bool say(const std::string& text);
    bool waitForProgram();
    bool waitRestart();
    void playSession(int number);
    bool playVersion2();
    bool playVersion1();
    bool askListener();
    bool askLetters(const std::string& prompt, const std::string& keyword);
    void respondTo(char letter);
    bool awaitAnswer(PromptRecord& record, double quietMs);
    void linger();
    void evaluate(SessionReport& report) const;
    void evaluateLetters(SessionReport& report, const PromptRecord& record) const;
    void log(const std::string& line) const;

    Options m_options;
    ptylink::PtyLink m_link;
    std::string m_portsDir;
    bool m_ownsPortsDir = false;
    unsigned m_randomState = 1;
    std::chrono::steady_clock::time_point m_start;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_restart{false};
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    std::vector<SessionReport> m_reports;
    SessionReport m_current;
    double m_lastWriteMs = 0;              // when the last piece was written
    std::size_t m_receivedAtLastWrite = 0; // bytes received by then

    unsigned random(unsigned below);
};

} // namespace panelsim

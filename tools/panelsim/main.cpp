// panelsim: a simulated panel controller on a pseudo-terminal published as a COM port.

#include "PanelSim.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <string>

namespace {

panelsim::PanelSim* g_sim = nullptr;

// The first Ctrl-C ends the run with its reports; a second one ends the program at once.
void onSignal(int sig) {
    std::signal(sig, SIG_DFL);
    if (g_sim) {
        g_sim->requestStop();
    }
}

void usage() {
    std::fputs(
        "usage: panelsim [options]\n"
        "  --version 1|2        controller software (default 2)\n"
        "  --port N             publish as COMN (default 1)\n"
        "  --ports DIR          port folder (default $KORVEL_PORTS or a new temporary one)\n"
        "  --seed N             pieces and pauses from this seed (default: clock)\n"
        "  --restart-delay MS   restart MS after the port was opened (default 1500)\n"
        "  --restart-on-enter   restart when Enter is pressed instead\n"
        "  --prompts N          repeat the first prompt N times (default 1)\n"
        "  --baud N             pace of the output (default 115200 or 9600 by version)\n"
        "  --max-piece N        largest piece in bytes (default 24)\n"
        "  --max-gap MS         longest pause between pieces (default 40)\n"
        "  --expect d|n|f       the action letter that must come\n"
        "  --sessions N         boots to play, 0 = until interrupted (default 1)\n"
        "  --linger MS          wait after the dialogue for the port to close, -1 = until it\n"
        "                       closes (default 3000, or -1 with --sessions 0)\n"
        "  --no-line-check      do not judge the line settings\n"
        "  --report FILE        write the reports there instead of standard output\n"
        "  --quiet              no progress on standard error\n",
        stderr);
}

bool toNumber(const char* text, long& out) {
    if (!text || !*text) {
        return false;
    }
    char* end = nullptr;
    out = std::strtol(text, &end, 10);
    return *end == 0;
}

// Each option with a value: how to take it; false when the value is not acceptable.
using Setter = std::function<bool(panelsim::Options&, long)>;

const std::map<std::string, Setter>& numberOptions() {
    static const std::map<std::string, Setter> options = {
        {"--version",
         [](auto& o, long v) {
             o.version = int(v);
             return v == 1 || v == 2;
         }},
        {"--port",
         [](auto& o, long v) {
             o.comPort = int(v);
             return v >= 1 && v <= 99;
         }},
        {"--seed",
         [](auto& o, long v) {
             o.seed = unsigned(v);
             return true;
         }},
        {"--restart-delay",
         [](auto& o, long v) {
             o.restartDelayMs = int(v);
             return true;
         }},
        {"--prompts",
         [](auto& o, long v) {
             o.prompts = int(v);
             return v >= 1;
         }},
        {"--baud",
         [](auto& o, long v) {
             o.baud = v;
             return v > 0;
         }},
        {"--max-piece",
         [](auto& o, long v) {
             o.maxPieceBytes = int(v);
             return v >= 1;
         }},
        {"--max-gap",
         [](auto& o, long v) {
             o.maxGapMs = int(v);
             return v >= 0;
         }},
        {"--sessions",
         [](auto& o, long v) {
             o.sessions = int(v);
             return v >= 0;
         }},
        {"--linger",
         [](auto& o, long v) {
             o.lingerMs = int(v);
             return true;
         }},
    };
    return options;
}

bool parseOne(const std::string& a, const char* value, bool& usedValue, panelsim::Options& o,
              std::string& reportFile) {
    usedValue = true;
    if (auto it = numberOptions().find(a); it != numberOptions().end()) {
        long n = 0;
        return toNumber(value, n) && it->second(o, n);
    }
    if (a == "--ports" || a == "--report") {
        (a == "--ports" ? o.portsDir : reportFile) = value ? value : "";
        return value != nullptr;
    }
    if (a == "--expect") {
        o.expectLetter = value ? value[0] : 0;
        return value && std::strlen(value) == 1;
    }
    usedValue = false;
    if (a == "--restart-on-enter") {
        o.restartOnEnter = true;
        o.restartDelayMs = -1;
    } else if (a == "--no-line-check") {
        o.checkLine = false;
    } else if (a == "--quiet") {
        o.verbose = false;
    } else {
        return false;
    }
    return true;
}

bool parse(int argc, char** argv, panelsim::Options& o, std::string& reportFile) {
    bool lingerGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        bool usedValue = false;
        if (!parseOne(a, i + 1 < argc ? argv[i + 1] : nullptr, usedValue, o, reportFile)) {
            std::fprintf(stderr, "panelsim: bad option %s\n", a.c_str());
            return false;
        }
        lingerGiven = lingerGiven || a == "--linger";
        i += usedValue ? 1 : 0;
    }
    // An endless run waits for the program to close the port after each dialogue.
    if (o.sessions == 0 && !lingerGiven) {
        o.lingerMs = -1;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    panelsim::Options options;
    options.verbose = true;
    std::string reportFile;
    if (!parse(argc, argv, options, reportFile)) {
        usage();
        return 2;
    }
    panelsim::PanelSim sim(options);
    std::string error;
    if (!sim.open(&error)) {
        std::fprintf(stderr, "panelsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("panelsim: Version %d controller on COM%d (%s -> %s)\n", options.version,
                options.comPort, sim.link().linkPath().c_str(), sim.link().slavePath().c_str());
    std::printf("panelsim: KORVEL_PORTS=%s\n", sim.portsDir().c_str());
    std::fflush(stdout);

    g_sim = &sim;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    sim.run();

    bool allOk = true;
    std::ofstream file;
    if (!reportFile.empty()) {
        file.open(reportFile);
    }
    std::ostream& out = reportFile.empty() ? std::cout : file;
    for (const panelsim::SessionReport& r : sim.reports()) {
        out << r.text();
        allOk = allOk && r.ok;
    }
    return allOk ? 0 : 1;
}

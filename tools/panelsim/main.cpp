// panelsim: a simulated panel controller on a pseudo-terminal published as a COM port.

#include "PanelSim.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
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

bool parse(int argc, char** argv, panelsim::Options& o, std::string& reportFile) {
    bool lingerGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto number = [&](auto& target) {
            const char* v = value();
            if (!v) {
                return false;
            }
            char* end = nullptr;
            const long n = std::strtol(v, &end, 10);
            if (*end) {
                return false;
            }
            target = static_cast<std::remove_reference_t<decltype(target)>>(n);
            return true;
        };
        bool ok = true;
        if (a == "--version")
            ok = number(o.version) && (o.version == 1 || o.version == 2);
        else if (a == "--port")
            ok = number(o.comPort) && o.comPort >= 1 && o.comPort <= 99;
        else if (a == "--ports") {
            const char* v = value();
            ok = v;
            if (v)
                o.portsDir = v;
        } else if (a == "--seed")
            ok = number(o.seed);
        else if (a == "--restart-delay")
            ok = number(o.restartDelayMs);
        else if (a == "--restart-on-enter") {
            o.restartOnEnter = true;
            o.restartDelayMs = -1;
        } else if (a == "--prompts")
            ok = number(o.prompts) && o.prompts >= 1;
        else if (a == "--baud")
            ok = number(o.baud) && o.baud > 0;
        else if (a == "--max-piece")
            ok = number(o.maxPieceBytes) && o.maxPieceBytes >= 1;
        else if (a == "--max-gap")
            ok = number(o.maxGapMs) && o.maxGapMs >= 0;
        else if (a == "--expect") {
            const char* v = value();
            ok = v && std::strlen(v) == 1;
            if (ok)
                o.expectLetter = v[0];
        } else if (a == "--sessions")
            ok = number(o.sessions) && o.sessions >= 0;
        else if (a == "--linger") {
            ok = number(o.lingerMs);
            lingerGiven = true;
        } else if (a == "--no-line-check")
            o.checkLine = false;
        else if (a == "--report") {
            const char* v = value();
            ok = v;
            if (v)
                reportFile = v;
        } else if (a == "--quiet")
            o.verbose = false;
        else
            ok = false;
        if (!ok) {
            std::fprintf(stderr, "panelsim: bad option %s\n", a.c_str());
            return false;
        }
    }
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

// printersim: a simulated panel printer on a pseudo-terminal published as COMn.
//
//   printersim [--ports DIR] [--com N] [--lines N] [--seed N] [--rate LINES_PER_S | --baud]
//              [--no-pace] [--wait-xon] [--report FILE] [--linger-ms MS]
//
// Ends on SIGTERM or SIGINT, or after the linger time that follows the last line.
#include "PrinterSim.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::atomic<bool> g_stop{false};

void onSignal(int) {
    g_stop.store(true);
}

void usage() {
    std::fputs("usage: printersim [--ports DIR] [--com N] [--lines N] [--seed N]\n"
               "                  [--rate LINES_PER_S | --baud] [--no-pace] [--wait-xon]\n"
               "                  [--report FILE] [--linger-ms MS]\n",
               stderr);
}

bool parse(int argc, char** argv, printersim::Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (a == "--baud") {
            o.rate = 0;
        } else if (a == "--no-pace") {
            o.pace = false;
        } else if (a == "--wait-xon") {
            o.waitXon = true;
        } else if ((v = value()) == nullptr) {
            return false;
        } else if (a == "--ports") {
            o.portsDir = v;
        } else if (a == "--com") {
            o.com = std::atoi(v);
        } else if (a == "--lines") {
            o.lines = std::atoi(v);
        } else if (a == "--seed") {
            o.seed = std::strtoull(v, nullptr, 10);
        } else if (a == "--rate") {
            o.rate = std::atof(v);
        } else if (a == "--report") {
            o.report = v;
        } else if (a == "--linger-ms") {
            o.lingerMs = std::atol(v);
        } else {
            return false;
        }
    }
    return o.com >= 1 && o.com <= 99 && o.lines >= 0 && o.rate >= 0;
}

} // namespace

int main(int argc, char** argv) {
    printersim::Options options;
    if (!parse(argc, argv, options)) {
        usage();
        return 2;
    }
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    return printersim::run(options, g_stop);
}

#pragma once
// A simulated panel printer port: a pseudo-terminal whose slave is published as COMn in a port
// folder. It prints lines ending in LF CR, pauses on DC3 and resumes on DC1 from the PC, and
// writes every line it sent and every byte it received, with times, to a report file.

#include <atomic>
#include <cstdint>
#include <string>

namespace printersim {

struct Options {
    std::string portsDir; // folder of COMn links; empty: $KORVEL_PORTS
    int com = 1;          // the link is portsDir/COM<com>
    int lines = 100;      // lines to print
    std::uint64_t seed = 1;
    double rate = 0;      // lines per second; 0: as fast as 9600 baud allows
    bool pace = true;     // false: no byte pacing at all (as fast as the pty takes them)
    bool waitXon = false; // print only after the first DC1 from the PC
    std::string report;   // report file; empty: none
    long lingerMs = -1;   // after the last line: stay this long; -1 until stopped
};

// Runs until all lines are printed and the linger time is over, or `stop` becomes true.
// Returns 0, or 1 when the pty or the link cannot be made (the reason goes to stderr).
int run(const Options& options, const std::atomic<bool>& stop);

} // namespace printersim

// The far end of a serial line that sends back every byte it receives, on a pseudo-terminal
// published as COMn in a port folder. Runs until it is terminated.
#include "ptylink/PtyLink.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) {
    g_stop = 1;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: echo_peer PORT_FOLDER N\n", stderr);
        return 2;
    }
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    ptylink::PtyLink link;
    std::string error;
    if (!link.open(argv[1], std::atoi(argv[2]), &error)) {
        std::fprintf(stderr, "echo_peer: %s\n", error.c_str());
        return 1;
    }
    char buffer[4096];
    while (!g_stop) {
        const int n = link.readSome(buffer, sizeof buffer, 100);
        if (n > 0 && !link.writeAll(std::string_view(buffer, static_cast<std::size_t>(n)))) {
            std::fputs("echo_peer: write failed\n", stderr);
        }
    }
    return 0;
}

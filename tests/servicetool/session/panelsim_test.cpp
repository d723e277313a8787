// The simulated controller judges the answers the tests rely on: wrong answers must fail.

#include "PanelSim.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

// A careless program at the port: answers "listener" twice and sends ten letters.
void careless(const std::string& port) {
    const int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    std::string seen;
    bool menu = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!menu && std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) {
            char buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            seen.append(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
        }
        if (seen.find("listener") != std::string::npos) {
            seen.clear();
            ASSERT_EQ(::write(fd, "mm", 2), 2);
        }
        if (seen.find("10 times") != std::string::npos) {
            for (int i = 0; i < 10; ++i) {
                ASSERT_EQ(::write(fd, "d", 1), 1);
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            }
            menu = true;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ::close(fd);
}

} // namespace

TEST(PanelSim, WrongAnswersFailTheSession) {
    char folder[] = "/tmp/korvel-panelsim-test-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    panelsim::Options o;
    o.portsDir = folder;
    o.seed = 3;
    o.restartDelayMs = 50;
    o.lingerMs = 2000;
    o.checkLine = false; // the careless program leaves the line as it is
    {
        panelsim::PanelSim sim(o);
        ASSERT_TRUE(sim.open());
        sim.start();
        careless(sim.link().linkPath());
        ASSERT_TRUE(sim.waitSessions(1, 10000));
        const panelsim::SessionReport r = sim.reports().front();
        EXPECT_FALSE(r.ok);
        const std::string text = r.text();
        EXPECT_NE(text.find("answer to \"listener\" was \"mm\""), std::string::npos) << text;
        EXPECT_NE(text.find("answer to \"10 times\" was \"dddddddddd\""), std::string::npos)
            << text;
        EXPECT_TRUE(r.closedByProgram);
    }
    ::rmdir(folder);
}

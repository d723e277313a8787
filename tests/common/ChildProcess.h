#pragma once
// A simulator or other helper program run as a child process by tests and benchmarks.

#include <csignal>
#include <string>
#include <sys/types.h>
#include <vector>

class ChildProcess {
public:
    ChildProcess() = default;
    // Starts argv[0] with the given arguments and this process's environment.
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess(); // asks the child to end (SIGTERM) and waits for it
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    // Sends the signal and waits for the child; nothing happens when it has already ended.
    void stop(int signal = SIGTERM);

private:
    pid_t m_pid = -1;
};

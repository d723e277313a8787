#include "ChildProcess.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
    std::vector<std::string> copies = argv;
    std::vector<char*> args;
    for (std::string& a : copies) {
        args.push_back(a.data());
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    if (!argv.empty() &&
        ::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0) {
        m_pid = pid;
    }
}

ChildProcess::~ChildProcess() {
    stop(SIGTERM);
}

void ChildProcess::stop(int signal) {
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, signal);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

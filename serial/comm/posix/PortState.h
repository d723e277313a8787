#pragma once
// What the POSIX backend keeps per open port.

#include "serial/comm/CommApi.h"

#include <atomic>
#include <mutex>

namespace comm::posix {

struct PortState {
    PortState(int fd, int wakeFd) : fd(fd), wakeFd(wakeFd) {}
    ~PortState();

    int fd;
    // An eventfd that SetCommMask and CloseHandle signal to end a pending WaitCommEvent.
    int wakeFd;
    COMMTIMEOUTS timeouts{};
    DCB dcb{};
    std::atomic<DWORD> eventMask{0};
    // Set once the device hung up; every later transfer fails at once.
    std::atomic<bool> gone{false};
    // Serialises the event wait's look at the tty with CloseHandle.
    std::mutex ioMutex;
};

} // namespace comm::posix

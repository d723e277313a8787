#pragma once
// What the POSIX backend keeps per open port.

#include "serial/comm/CommApi.h"

#include <atomic>
#include <mutex>
#include <sys/ioctl.h>
#if defined(__linux__)
#include <linux/serial.h> // TIOCGICOUNT counters of breaks and line errors
#endif

namespace comm::posix {

// What the line-event wait compares between two looks at the line.
struct LineSnapshot {
    int inQueue = 0;
    int outQueue = 0;
    int modem = 0;
    bool haveModem = false;
#if defined(TIOCGICOUNT)
    serial_icounter_struct counts{};
#endif
    bool haveCounts = false;
};

LineSnapshot takeSnapshot(int fd);

struct PortState {
    PortState(int fd, int wakeFd) : fd(fd), wakeFd(wakeFd) {}
    ~PortState();

    // Closes the device once it is gone, so it is free again (and its lock dropped) although
    // the component abandons its handle without closing it.
    void release();

    int fd; // -1 once released
    // An eventfd that SetCommMask and CloseHandle signal to end a pending WaitCommEvent.
    int wakeFd;
    COMMTIMEOUTS timeouts{};
    DCB dcb{};
    std::atomic<DWORD> eventMask{0};
    // Set once the device hung up; every later transfer fails at once.
    std::atomic<bool> gone{false};
    // Serialises the event wait's look at the tty with CloseHandle and SetCommMask.
    std::mutex ioMutex;
    // The line as it was when the mask was set or the last wait ended: like Windows, events
    // that happen between two waits are not lost. Guarded by ioMutex.
    LineSnapshot baseline;
};

} // namespace comm::posix

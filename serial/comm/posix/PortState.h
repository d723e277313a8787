#pragma once
// What the POSIX backend keeps per open port.

#include "serial/comm/CommApi.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#if defined(__linux__)
#include <linux/serial.h> // TIOCGICOUNT counters of breaks and line errors
#endif

namespace comm::posix {

// What the line-event wait compares between two looks at the line.
struct LineSnapshot {
    int inQueue = 0; // the driver's queue plus the bytes the wait has taken in
    int outQueue = 0;
    int modem = 0;
    bool haveModem = false;
#if defined(TIOCGICOUNT)
    serial_icounter_struct counts{};
#endif
    bool haveCounts = false;
};

// The events between two looks at the line: new bytes, the transmit queue emptied after a
// write, CTS, DSR and DCD changes, the end of a ring, a break and line errors (the driver's
// counters). Lines and counters that either look lacks report nothing.
DWORD lineEvents(const LineSnapshot& before, const LineSnapshot& now, bool txPending);

// A write that did not fit into the driver's queue at once: a helper thread finishes it while
// the caller goes on, as an overlapped write does on Windows. The bytes stay the caller's until
// GetOverlappedResult reports the write complete.
struct PendingWrite {
    PendingWrite();
    ~PendingWrite();
    const OVERLAPPED* ov = nullptr;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false; // guarded by mutex
    DWORD sent = 0;    // guarded by mutex; valid once done
    int abortFd = -1;  // an eventfd that ends the helper's wait (purge, cancel, close)
    std::thread helper;
};

struct PortState {
    PortState(int fd, int wakeFd) : fd(fd), wakeFd(wakeFd) {}
    ~PortState();

    // Lets go of the device (its file, its lock, exclusive mode) once it is gone or abandoned,
    // although the component never closes the handle. The descriptor number stays taken,
    // pointing at /dev/null, until the handle itself goes: a transfer that another thread runs
    // at that moment must not reach a file that was opened meanwhile.
    void release();
    void releaseLocked(); // with ioMutex held
    // The device hung up: released at once.
    void markGone();
    void markGoneLocked();
    // Makes a pending WaitCommEvent look at the line again; with endWait it returns with an
    // empty mask (a new mask, a close, an abandoned handle).
    void wake(bool endWait);

    // Takes the bytes from the receive buffer first, then from the device. With ioMutex held.
    long readLocked(unsigned char* buf, DWORD count);
    // The receive-queue count: buffered bytes plus the driver's. With ioMutex held.
    int inQueueLocked() const;
    LineSnapshot snapshotLocked() const;

    const int fd;
    // An eventfd that wakes a pending WaitCommEvent.
    const int wakeFd;
    std::atomic<bool> released{false};
    // Set once the device hung up; every later transfer fails at once.
    std::atomic<bool> gone{false};
    COMMTIMEOUTS timeouts{};
    DCB dcb{};
    DWORD inQueueSize = 4096; // as asked by SetupComm; bounds the receive buffer
    std::atomic<DWORD> eventMask{0};
    // Counts what ends a wait with an empty mask.
    std::atomic<unsigned> waitEpoch{0};
    // A write went out since the last EV_TXEMPTY.
    std::atomic<bool> txPending{false};
    // Serialises every look at the tty by the event wait with reads, CloseHandle and
    // SetCommMask.
    mutable std::mutex ioMutex;
    // Bytes the event wait has taken from the device to find the event character (and to
    // sleep until new bytes come rather than poll): handed out before the device's own queue.
    // Guarded by ioMutex.
    std::string rxBuffer;
    // Used by the thread that transfers (and by purge, cancel and close on that thread).
    std::unique_ptr<PendingWrite> pendingWrite;
    // Stops a pending write's helper and waits for it.
    void endPendingWrite();
    // The line as it was when the mask was set or the last wait ended: like Windows, events
    // that happen between two waits are not lost. Guarded by ioMutex.
    LineSnapshot baseline;
};

} // namespace comm::posix

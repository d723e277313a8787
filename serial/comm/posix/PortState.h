#pragma once
// What the POSIX backend keeps per open port.

#include "serial/comm/CommApi.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
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
    // Every byte the device has delivered since the port was opened (those read off it and
    // those in its queue), and the event characters among those read off it. Counts of
    // arrivals, not queue levels: a handler that reads meanwhile hides no new byte.
    std::uint64_t arrived = 0;
    std::uint64_t eventChars = 0;
    int outQueue = 0;
    int modem = 0;
    bool haveModem = false;
#if defined(TIOCGICOUNT)
    serial_icounter_struct counts{};
#endif
    bool haveCounts = false;
};

// The events between two looks at the line: new bytes, new event characters, the transmit
// queue emptied after a write, CTS, DSR and DCD changes, the end of a ring, a break and line
// errors. The driver's counters also catch a modem line that changed and changed back between
// two looks. Lines and counters that either look lacks report nothing.
DWORD lineEvents(const LineSnapshot& before, const LineSnapshot& now, bool txPending);

// Ends the reads or the writes under way on a port from any thread (CancelIoEx, PurgeComm's
// abort flags): a transfer notes the count when it starts and gives up once it has changed;
// the descriptor, which it polls beside the device, wakes it.
struct AbortSignal {
    AbortSignal();
    ~AbortSignal();
    AbortSignal(const AbortSignal&) = delete;
    AbortSignal& operator=(const AbortSignal&) = delete;
    void fire();
    // Empties the descriptor after a poll found it readable.
    void drain() const;
    std::atomic<unsigned> count{0};
    const int fd; // an eventfd
};

// A write that did not fit into the driver's queue at once: a helper thread finishes it while
// the caller goes on, as an overlapped write does on Windows. The bytes stay the caller's until
// GetOverlappedResult reports the write complete.
struct PendingWrite {
    const OVERLAPPED* ov = nullptr;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false; // guarded by mutex
    DWORD sent = 0;    // guarded by mutex; valid once done
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
    // Every read off the device goes through here, so that each byte is counted as arrived and
    // each event character is seen, whoever reads it. With ioMutex held.
    long readDeviceLocked(unsigned char* buf, std::size_t count);
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
    // What readDeviceLocked has counted. Guarded by ioMutex.
    std::uint64_t takenOff = 0;
    std::uint64_t eventCharsTaken = 0;
    // Used only by the thread that writes, and by the close once no other thread transfers.
    std::unique_ptr<PendingWrite> pendingWrite;
    // The record of the write a helper finishes, for a cancel from another thread.
    std::atomic<const OVERLAPPED*> pendingWriteRecord{nullptr};
    // Stops a pending write's helper and waits for it.
    void endPendingWrite();
    AbortSignal rxAbort;
    AbortSignal txAbort;
    // The line as it was when the mask was set or the last wait ended: like Windows, events
    // that happen between two waits are not lost. Guarded by ioMutex.
    LineSnapshot baseline;
};

} // namespace comm::posix

// Reads, writes, queue counts and the line-event wait of the POSIX backend.
#include "serial/comm/posix/PortState.h"
#include "serial/comm/posix/PosixBackend.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace comm::posix {

namespace {

using Clock = std::chrono::steady_clock;

BOOL fail(DWORD error) {
    SetLastError(error);
    return 0;
}

int msUntil(Clock::time_point t) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(t - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, 1 << 30));
}

// The deadlines of one transfer under the Win32 timeout rules.
struct Deadlines {
    bool immediate = false; // return what is there, never wait
    bool hasTotal = false;  // the whole transfer ends at total
    Clock::time_point total;
    DWORD interval = 0; // longest gap between two received bytes, 0 = none
    bool firstByteOnly = false;
};

Deadlines readDeadlines(const COMMTIMEOUTS& t, DWORD count) {
    Deadlines d;
    const auto now = Clock::now();
    if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
        t.ReadTotalTimeoutConstant == 0) {
        d.immediate = true;
        return d;
    }
    if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
        t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD) {
        d.firstByteOnly = true;
        d.hasTotal = true;
        d.total = now + std::chrono::milliseconds(t.ReadTotalTimeoutConstant);
        return d;
    }
    if (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0) {
        d.hasTotal = true;
        d.total =
            now + std::chrono::milliseconds(std::uint64_t(t.ReadTotalTimeoutMultiplier) * count +
                                            t.ReadTotalTimeoutConstant);
    }
    if (t.ReadIntervalTimeout != MAXDWORD) {
        d.interval = t.ReadIntervalTimeout;
    }
    return d;
}

// How long the next poll may wait; -1 = no limit, 0 = the transfer is over.
int nextWait(const Deadlines& d, DWORD got, Clock::time_point lastByte) {
    if (d.immediate || (d.firstByteOnly && got > 0)) {
        return 0;
    }
    int wait = d.hasTotal ? msUntil(d.total) : -1;
    if (d.interval != 0 && got > 0) {
        const int gap = msUntil(lastByte + std::chrono::milliseconds(d.interval));
        wait = wait < 0 ? gap : std::min(wait, gap);
    }
    return wait;
}

bool hungUp(short revents) {
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void complete(OVERLAPPED* ov, DWORD count) {
    if (ov) {
        ov->Internal = 0;
        ov->InternalHigh = count;
    }
}

} // namespace

BOOL PosixBackend::ReadFile(HANDLE h, void* buf, DWORD count, DWORD* read, OVERLAPPED* ov) {
    const auto state = live(h);
    if (read) {
        *read = 0;
    }
    if (!state) {
        return 0;
    }
    if (state->gone) {
        state->release();
        return fail(ERROR_DEVICE_REMOVED);
    }
    auto* bytes = static_cast<unsigned char*>(buf);
    const Deadlines d = readDeadlines(state->timeouts, count);
    const unsigned aborts = state->rxAbort.count;
    DWORD got = 0;
    auto lastByte = Clock::now();
    bool ready = false; // poll() just said there is something to read
    bool aborted = false;
    while (got < count) {
        if (state->rxAbort.count != aborts) {
            aborted = true;
            break;
        }
        long n = 0;
        int err = 0;
        {
            std::lock_guard io(state->ioMutex);
            if (state->released) {
                break;
            }
            n = state->readLocked(bytes + got, count - got);
            err = errno;
        }
        if (n > 0) {
            got += static_cast<DWORD>(n);
            lastByte = Clock::now();
            ready = false;
            continue;
        }
        if (n < 0 && err == EINTR) {
            continue;
        }
        // In raw mode with VMIN 0 an empty queue reads as 0 bytes; only after poll() reported
        // readiness does 0 mean end of file. EIO: the far end hung up or the adapter is gone.
        if ((n == 0 && ready) || (n < 0 && err != EAGAIN)) {
            state->gone = true;
            break;
        }
        const int wait = nextWait(d, got, lastByte);
        if (wait == 0) {
            break;
        }
        pollfd p[2] = {{state->fd, POLLIN, 0}, {state->rxAbort.fd, POLLIN, 0}};
        const int r = ::poll(p, 2, wait);
        if (r > 0 && hungUp(p[0].revents) && !(p[0].revents & POLLIN)) {
            state->gone = true;
            break;
        }
        if (r > 0 && (p[1].revents & POLLIN)) {
            state->rxAbort.drain();
        }
        ready = r > 0 && (p[0].revents & POLLIN);
    }
    if (state->gone) {
        state->release();
    }
    if (got == 0 && (state->gone || state->released)) {
        return fail(ERROR_DEVICE_REMOVED);
    }
    if (got == 0 && aborted) {
        return fail(ERROR_OPERATION_ABORTED);
    }
    if (read) {
        *read = got;
    }
    complete(ov, got);
    return 1;
}

AbortSignal::AbortSignal() : fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

AbortSignal::~AbortSignal() {
    if (fd >= 0) {
        ::close(fd);
    }
}

void AbortSignal::fire() {
    ++count;
    const std::uint64_t one = 1;
    (void)!::write(fd, &one, sizeof one);
}

void AbortSignal::drain() const {
    std::uint64_t fired = 0;
    (void)!::read(fd, &fired, sizeof fired);
}

void PortState::endPendingWrite() {
    if (!pendingWrite) {
        return;
    }
    txAbort.fire();
    pendingWrite->helper.join();
    pendingWrite.reset();
    pendingWriteRecord = nullptr;
}

namespace {

struct WriteLimit {
    bool hasTotal = false;
    Clock::time_point total;
};

WriteLimit writeLimit(const COMMTIMEOUTS& t, DWORD count) {
    WriteLimit limit;
    limit.hasTotal = t.WriteTotalTimeoutMultiplier != 0 || t.WriteTotalTimeoutConstant != 0;
    limit.total = Clock::now() +
                  std::chrono::milliseconds(std::uint64_t(t.WriteTotalTimeoutMultiplier) * count +
                                            t.WriteTotalTimeoutConstant);
    return limit;
}

// Writes until everything is out, the time is up, the device hangs up, the writes are aborted
// (the abort count is no longer the one noted at the start) or (wait false) the driver's queue
// is full.
DWORD writeSome(PortState& state, const unsigned char* bytes, DWORD count, DWORD sent,
                const WriteLimit& limit, bool wait, unsigned aborts) {
    while (sent < count && !state.released && state.txAbort.count == aborts) {
        const ssize_t n = ::write(state.fd, bytes + sent, count - sent);
        if (n > 0) {
            sent += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            state.gone = true;
            break;
        }
        const int ms = limit.hasTotal ? msUntil(limit.total) : -1;
        if (!wait || ms == 0) {
            break;
        }
        pollfd p[2] = {{state.fd, POLLOUT, 0}, {state.txAbort.fd, POLLIN, 0}};
        if (::poll(p, 2, ms) > 0) {
            if (hungUp(p[0].revents)) {
                state.gone = true;
                break;
            }
            if (p[1].revents & POLLIN) {
                state.txAbort.drain();
            }
        }
    }
    return sent;
}

BOOL finishWrite(PortState& state, DWORD sent, DWORD* written, OVERLAPPED* ov) {
    if (state.gone) {
        state.release(); // nothing else may find the hang-up before the program exits
    }
    if (sent == 0 && state.gone) {
        return fail(ERROR_DEVICE_REMOVED);
    }
    if (sent > 0) {
        state.txPending = true;
        state.wake(false); // a wait for EV_TXEMPTY looks at the queue again
    }
    if (written) {
        *written = sent;
    }
    complete(ov, sent);
    return 1;
}

} // namespace

// With an OVERLAPPED record, what does not fit into the driver's queue at once is left to a
// helper thread and the call reports ERROR_IO_PENDING; GetOverlappedResult completes it.
BOOL PosixBackend::WriteFile(HANDLE h, const void* buf, DWORD count, DWORD* written,
                             OVERLAPPED* ov) {
    const auto state = live(h);
    if (written) {
        *written = 0;
    }
    if (!state) {
        return 0;
    }
    if (state->gone) {
        state->release();
        return fail(ERROR_DEVICE_REMOVED);
    }
    state->endPendingWrite(); // a caller that did not complete the last one
    const auto* bytes = static_cast<const unsigned char*>(buf);
    const WriteLimit limit = writeLimit(state->timeouts, count);
    const unsigned aborts = state->txAbort.count;
    const DWORD sent = writeSome(*state, bytes, count, 0, limit, ov == nullptr, aborts);
    if (sent == count || !ov || state->gone || state->released || state->txAbort.count != aborts ||
        (limit.hasTotal && msUntil(limit.total) == 0)) {
        return finishWrite(*state, sent, written, ov);
    }
    auto pending = std::make_unique<PendingWrite>();
    pending->ov = ov;
    PendingWrite* p = pending.get();
    pending->helper = std::thread([state, p, bytes, count, sent, limit, aborts] {
        const DWORD total = writeSome(*state, bytes, count, sent, limit, true, aborts);
        {
            std::lock_guard lock(p->mutex);
            p->sent = total;
            p->done = true;
        }
        p->finished.notify_all();
    });
    state->pendingWrite = std::move(pending);
    state->pendingWriteRecord = ov;
    return fail(ERROR_IO_PENDING);
}

BOOL PosixBackend::GetOverlappedResult(HANDLE h, OVERLAPPED* ov, DWORD* transferred, BOOL wait) {
    const auto state = find(h);
    if (!state) {
        return fail(ERROR_INVALID_HANDLE);
    }
    if (!ov) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    PendingWrite* p = state->pendingWrite.get();
    if (!p || p->ov != ov) {
        // Reads and writes that fit complete inside ReadFile/WriteFile; the record holds
        // their outcome.
        if (!live(h)) {
            return 0;
        }
        if (transferred) {
            *transferred = static_cast<DWORD>(ov->InternalHigh);
        }
        return 1;
    }
    DWORD sent = 0;
    {
        std::unique_lock lock(p->mutex);
        if (!p->done && !wait) {
            if (transferred) {
                *transferred = 0;
            }
            return fail(ERROR_IO_INCOMPLETE);
        }
        p->finished.wait(lock, [p] { return p->done; });
        sent = p->sent;
    }
    p->helper.join();
    state->pendingWrite.reset();
    state->pendingWriteRecord = nullptr;
    return finishWrite(*state, sent, transferred, ov);
}

BOOL PosixBackend::ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat) {
    const auto state = live(h);
    if (!state) {
        return 0;
    }
    if (errors) {
        *errors = 0;
    }
    std::lock_guard io(state->ioMutex);
    const int inQueue = state->inQueueLocked();
    // Bytes that arrived before a hang-up are still handed out; after that the port is gone.
    if (!state->gone && inQueue <= 0 && lineHungUp(state->fd)) {
        state->gone = true;
    }
    if (state->gone && inQueue <= 0) {
        state->releaseLocked();
        return fail(ERROR_DEVICE_REMOVED);
    }
    int outQueue = 0;
    if (ioctl(state->fd, TIOCOUTQ, &outQueue) != 0) {
        outQueue = 0; // a pseudo-terminal may not count its transmit queue
    }
    if (stat) {
        stat->flags = 0;
        stat->cbInQue = static_cast<DWORD>(std::max(inQueue, 0));
        stat->cbOutQue = static_cast<DWORD>(std::max(outQueue, 0));
    }
    return 1;
}

// A hung-up tty also reports itself readable (and reads as end of file).
bool lineHungUp(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && hungUp(p.revents);
}

long PortState::readLocked(unsigned char* buf, DWORD count) {
    const DWORD buffered = std::min<DWORD>(count, static_cast<DWORD>(rxBuffer.size()));
    if (buffered > 0) {
        std::memcpy(buf, rxBuffer.data(), buffered);
        rxBuffer.erase(0, buffered);
        return buffered;
    }
    return readDeviceLocked(buf, count);
}

long PortState::readDeviceLocked(unsigned char* buf, std::size_t count) {
    const ssize_t n = ::read(fd, buf, count);
    if (n > 0) {
        takenOff += static_cast<std::uint64_t>(n);
        eventCharsTaken += static_cast<std::uint64_t>(
            std::count(buf, buf + n, static_cast<unsigned char>(dcb.EvtChar)));
    }
    return n;
}

int PortState::inQueueLocked() const {
    int queued = 0;
    if (ioctl(fd, TIOCINQ, &queued) != 0) {
        queued = 0;
    }
    return std::max(queued, 0) + static_cast<int>(rxBuffer.size());
}

LineSnapshot PortState::snapshotLocked() const {
    LineSnapshot s;
    int queued = 0;
    if (ioctl(fd, TIOCINQ, &queued) != 0) {
        queued = 0;
    }
    s.arrived = takenOff + static_cast<std::uint64_t>(std::max(queued, 0));
    s.eventChars = eventCharsTaken;
    if (ioctl(fd, TIOCOUTQ, &s.outQueue) != 0) {
        s.outQueue = 0;
    }
    s.haveModem = ioctl(fd, TIOCMGET, &s.modem) == 0;
#if defined(TIOCGICOUNT)
    s.haveCounts = ioctl(fd, TIOCGICOUNT, &s.counts) == 0;
#endif
    return s;
}

namespace {

constexpr DWORD kModemEvents = EV_CTS | EV_DSR | EV_RING | EV_RLSD;
constexpr DWORD kCountedEvents = EV_BREAK | EV_ERR;
constexpr DWORD kReceiveEvents = EV_RXCHAR | EV_RXFLAG;
// How often the wait looks at what no descriptor can wake it for (modem lines, the driver's
// counters, the transmit queue).
constexpr int kLookMs = 10;

} // namespace

DWORD lineEvents(const LineSnapshot& a, const LineSnapshot& b, bool txPending) {
    DWORD ev = 0;
    ev |= b.arrived > a.arrived ? EV_RXCHAR : 0;
    ev |= b.eventChars > a.eventChars ? EV_RXFLAG : 0;
    if (txPending && b.outQueue == 0) {
        ev |= EV_TXEMPTY;
    }
    if (a.haveModem && b.haveModem) {
        const int changed = a.modem ^ b.modem;
        ev |= (changed & TIOCM_CTS) ? EV_CTS : 0;
        ev |= (changed & TIOCM_DSR) ? EV_DSR : 0;
        ev |= (changed & TIOCM_CD) ? EV_RLSD : 0;
        ev |= ((a.modem & TIOCM_RI) && !(b.modem & TIOCM_RI)) ? EV_RING : 0;
    }
#if defined(TIOCGICOUNT)
    if (a.haveCounts && b.haveCounts) {
        // A pulse shorter than the time between two looks shows only in these.
        ev |= b.counts.cts != a.counts.cts ? EV_CTS : 0;
        ev |= b.counts.dsr != a.counts.dsr ? EV_DSR : 0;
        ev |= b.counts.dcd != a.counts.dcd ? EV_RLSD : 0;
        ev |= b.counts.rng != a.counts.rng ? EV_RING : 0; // counts the ends of rings
        ev |= b.counts.brk != a.counts.brk ? EV_BREAK : 0;
        ev |= (b.counts.frame != a.counts.frame || b.counts.overrun != a.counts.overrun ||
               b.counts.parity != a.counts.parity || b.counts.buf_overrun != a.counts.buf_overrun)
                  ? EV_ERR
                  : 0;
    }
#endif
    return ev;
}

namespace {

// Takes what the device has into the receive buffer (up to the receive-queue size), so that the
// event character can be seen and the wait can sleep until new bytes come.
void takeIn(PortState& state) {
    unsigned char buf[512];
    while (state.rxBuffer.size() < state.inQueueSize) {
        const std::size_t room =
            std::min<std::size_t>(sizeof buf, state.inQueueSize - state.rxBuffer.size());
        const long n = state.readDeviceLocked(buf, room);
        if (n <= 0) {
            break;
        }
        state.rxBuffer.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
    }
}

// Looks at the line once, with ioMutex held: the events since the baseline, and how long the
// caller may sleep before it must look again (-1: until a descriptor wakes it).
DWORD lookAtLine(PortState& state, DWORD wanted, bool& watchInput, int& sleepMs) {
    if (wanted & kReceiveEvents) {
        takeIn(state);
    }
    LineSnapshot& before = state.baseline;
    const LineSnapshot now = state.snapshotLocked();
    const DWORD ev = lineEvents(before, now, state.txPending) & wanted;
    if (ev != 0) {
        before = now;
        if (ev & EV_TXEMPTY) {
            state.txPending = false;
        }
        return ev;
    }
    // The receive buffer is full: the device's own queue holds the rest, and readiness would
    // stay set, so new bytes are looked for instead.
    const bool bufferFull = state.rxBuffer.size() >= state.inQueueSize;
    watchInput = (wanted & kReceiveEvents) && !bufferFull;
    const bool look = ((wanted & kModemEvents) && (now.haveModem || now.haveCounts)) ||
                      ((wanted & kCountedEvents) && now.haveCounts) ||
                      ((wanted & EV_TXEMPTY) && state.txPending) ||
                      ((wanted & kReceiveEvents) && bufferFull);
    sleepMs = look ? kLookMs : -1;
    return 0;
}

} // namespace

// Sleeps on the device (new bytes, a hang-up) and on the wake-up descriptor (a new mask, a
// close, an abandoned handle, a write); what no descriptor reports is looked at every few
// milliseconds, and only when the mask asks for it and the device has it. An idle port with
// only received characters asked for costs no CPU.
BOOL PosixBackend::WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED* ov) {
    const auto state = find(h);
    if (!state || !mask) {
        return fail(ERROR_INVALID_HANDLE);
    }
    *mask = 0;
    const unsigned epoch = state->waitEpoch;
    const DWORD wanted = state->eventMask;
    if (wanted == 0) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    if (state->gone || state->released) {
        // A waiter that retries after a failure must not spin until the port is closed.
        pollfd p{state->wakeFd, POLLIN, 0};
        (void)::poll(&p, 1, 100);
        return fail(ERROR_DEVICE_REMOVED);
    }
    for (;;) {
        bool watchInput = false;
        int sleepMs = -1;
        {
            std::lock_guard io(state->ioMutex);
            if (state->waitEpoch != epoch) {
                complete(ov, 0);
                return 1; // the mask was changed or the port closed
            }
            if (state->released) {
                return fail(ERROR_DEVICE_REMOVED);
            }
            if (lineHungUp(state->fd)) {
                state->markGoneLocked();
                return fail(ERROR_DEVICE_REMOVED);
            }
            const DWORD ev = lookAtLine(*state, wanted, watchInput, sleepMs);
            if (ev != 0) {
                *mask = ev;
                complete(ov, 0);
                return 1;
            }
        }
        pollfd p[2] = {{state->wakeFd, POLLIN, 0}, {state->fd, POLLIN, 0}};
        // A hang-up wakes poll() even when input is not asked for.
        p[1].events = watchInput ? POLLIN : 0;
        if (::poll(p, 2, sleepMs) > 0 && (p[0].revents & POLLIN)) {
            std::uint64_t drained = 0;
            while (::read(state->wakeFd, &drained, sizeof drained) > 0) {
            }
        }
    }
}

} // namespace comm::posix

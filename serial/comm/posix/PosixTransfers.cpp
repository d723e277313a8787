// Reads, writes, queue counts and the line-event wait of the POSIX backend.
#include "serial/comm/posix/PortState.h"
#include "serial/comm/posix/PosixBackend.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
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
        return fail(ERROR_DEVICE_REMOVED);
    }
    auto* bytes = static_cast<unsigned char*>(buf);
    const Deadlines d = readDeadlines(state->timeouts, count);
    DWORD got = 0;
    auto lastByte = Clock::now();
    bool ready = false; // poll() just said there is something to read
    while (got < count) {
        const ssize_t n = ::read(state->fd, bytes + got, count - got);
        if (n > 0) {
            got += static_cast<DWORD>(n);
            lastByte = Clock::now();
            ready = false;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // In raw mode with VMIN 0 an empty queue reads as 0 bytes; only after poll() reported
        // readiness does 0 mean end of file. EIO: the far end hung up or the adapter is gone.
        if ((n == 0 && ready) || (n < 0 && errno != EAGAIN)) {
            state->gone = true;
            break;
        }
        const int wait = nextWait(d, got, lastByte);
        if (wait == 0) {
            break;
        }
        pollfd p{state->fd, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r > 0 && hungUp(p.revents) && !(p.revents & POLLIN)) {
            state->gone = true;
            break;
        }
        ready = r > 0 && (p.revents & POLLIN);
    }
    if (got == 0 && state->gone) {
        state->release();
        return fail(ERROR_DEVICE_REMOVED);
    }
    if (read) {
        *read = got;
    }
    complete(ov, got);
    return 1;
}

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
        return fail(ERROR_DEVICE_REMOVED);
    }
    const auto& t = state->timeouts;
    const bool hasTotal = t.WriteTotalTimeoutMultiplier != 0 || t.WriteTotalTimeoutConstant != 0;
    const auto total = Clock::now() + std::chrono::milliseconds(
                                          std::uint64_t(t.WriteTotalTimeoutMultiplier) * count +
                                          t.WriteTotalTimeoutConstant);
    const auto* bytes = static_cast<const unsigned char*>(buf);
    DWORD sent = 0;
    while (sent < count) {
        const ssize_t n = ::write(state->fd, bytes + sent, count - sent);
        if (n > 0) {
            sent += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            state->gone = true;
            break;
        }
        const int wait = hasTotal ? msUntil(total) : -1;
        if (wait == 0) {
            break;
        }
        pollfd p{state->fd, POLLOUT, 0};
        if (::poll(&p, 1, wait) > 0 && hungUp(p.revents)) {
            state->gone = true;
            break;
        }
    }
    if (sent == 0 && state->gone) {
        return fail(ERROR_DEVICE_REMOVED);
    }
    if (written) {
        *written = sent;
    }
    complete(ov, sent);
    return 1;
}

BOOL PosixBackend::ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat) {
    const auto state = live(h);
    if (!state) {
        return 0;
    }
    if (errors) {
        *errors = 0;
    }
    int inQueue = 0;
    if (ioctl(state->fd, TIOCINQ, &inQueue) != 0) {
        inQueue = 0;
    }
    // Bytes that arrived before a hang-up are still handed out; after that the port is gone.
    if (!state->gone && inQueue <= 0) {
        pollfd p{state->fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && hungUp(p.revents)) {
            state->gone = true;
        }
    }
    if (state->gone && inQueue <= 0) {
        state->release();
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

namespace {} // namespace

LineSnapshot takeSnapshot(int fd) {
    LineSnapshot s;
    if (ioctl(fd, TIOCINQ, &s.inQueue) != 0) {
        s.inQueue = 0;
    }
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

DWORD eventsBetween(const LineSnapshot& a, const LineSnapshot& b) {
    DWORD ev = 0;
    if (b.inQueue > a.inQueue) {
        ev |= EV_RXCHAR;
    }
    if (a.outQueue > 0 && b.outQueue == 0) {
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
        ev |= b.counts.brk != a.counts.brk ? EV_BREAK : 0;
        ev |= (b.counts.frame != a.counts.frame || b.counts.overrun != a.counts.overrun ||
               b.counts.parity != a.counts.parity || b.counts.buf_overrun != a.counts.buf_overrun)
                  ? EV_ERR
                  : 0;
    }
#endif
    return ev;
}

} // namespace

// There is no tty call that waits for modem-line changes and new bytes together, so the wait
// looks at the line every few milliseconds and sleeps on the wake-up descriptor in between;
// SetCommMask and CloseHandle end it at once.
BOOL PosixBackend::WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED* ov) {
    const auto state = find(h);
    if (!state || !mask) {
        return fail(ERROR_INVALID_HANDLE);
    }
    *mask = 0;
    if (state->eventMask == 0) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    if (state->gone || state->fd < 0) {
        // A waiter that retries after a failure must not spin until the port is closed.
        pollfd p{state->wakeFd, POLLIN, 0};
        (void)::poll(&p, 1, 100);
        return fail(ERROR_DEVICE_REMOVED);
    }
    std::uint64_t drained = 0;
    while (::read(state->wakeFd, &drained, sizeof drained) > 0) {
    }
    for (;;) {
        pollfd p{state->wakeFd, POLLIN, 0};
        if (::poll(&p, 1, 10) > 0) {
            complete(ov, 0);
            return 1; // the mask was changed or the port closed
        }
        std::lock_guard io(state->ioMutex);
        if (state->fd < 0) {
            return fail(ERROR_INVALID_HANDLE);
        }
        pollfd line{state->fd, POLLIN, 0};
        if (::poll(&line, 1, 0) > 0 && hungUp(line.revents) && !(line.revents & POLLIN)) {
            state->gone = true;
            return fail(ERROR_DEVICE_REMOVED);
        }
        LineSnapshot& before = state->baseline;
        const LineSnapshot now = takeSnapshot(state->fd);
        const DWORD ev = eventsBetween(before, now) & state->eventMask;
        if (now.inQueue < before.inQueue) {
            before.inQueue = now.inQueue; // someone read: count new arrivals from here
        }
        if (ev != 0) {
            before = now;
            *mask = ev;
            complete(ov, 0);
            return 1;
        }
    }
}

} // namespace comm::posix

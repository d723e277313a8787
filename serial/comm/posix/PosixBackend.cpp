#include "serial/comm/posix/PosixBackend.h"

#include "serial/comm/posix/CustomBaud.h"
#include "serial/comm/posix/PortState.h"
#include "serial/comm/posix/PortTable.h"
#include "serial/comm/posix/TermiosMapping.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace comm::posix {

PortState::~PortState() {
    ::close(fd);
    ::close(wakeFd);
}

void PortState::release() {
    std::lock_guard io(ioMutex);
    releaseLocked();
}

void PortState::releaseLocked() {
    if (released) {
        return;
    }
    released = true;
    rxBuffer.clear();
    // A pseudo-terminal's tty outlives this file; it must not stay exclusive.
    (void)ioctl(fd, TIOCNXCL);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        (void)::dup3(null, fd, O_CLOEXEC); // closes the device file in the same step
        ::close(null);
    }
    wake(true);
}

void PortState::markGone() {
    gone = true;
    release();
}

void PortState::markGoneLocked() {
    gone = true;
    releaseLocked();
}

void PortState::wake(bool endWait) {
    if (endWait) {
        ++waitEpoch;
    }
    const std::uint64_t one = 1;
    (void)!::write(wakeFd, &one, sizeof one);
}

namespace {

DWORD errorOfErrno(int err) {
    switch (err) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
        return ERROR_ACCESS_DENIED;
    case EIO:
        return ERROR_DEVICE_REMOVED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

BOOL fail(DWORD error) {
    SetLastError(error);
    return 0;
}

// Sets or clears one modem line. Devices without modem lines (a pseudo-terminal answers
// ENOTTY or EINVAL) are no failure: there simply is no line to drive.
void setModemLine(int fd, int line, bool on) {
    (void)ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

void applyModemLines(int fd, const DCB& dcb) {
    setModemLine(fd, TIOCM_DTR, dcb.fDtrControl != DTR_CONTROL_DISABLE);
    if (dcb.fRtsControl != RTS_CONTROL_HANDSHAKE) {
        setModemLine(fd, TIOCM_RTS, dcb.fRtsControl == RTS_CONTROL_ENABLE);
    }
}

// A write that completed on Windows has left the PC; here its bytes may still wait in the tty's
// queue. Output that moves is given a moment to go out (the panel's last DC3 before a close);
// what flow control holds back is dropped. A pseudo-terminal's queue is the far end's unread
// input, and a close never waits for it: it is left alone.
void dropHeldBackOutput(int fd) {
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && isPtySlave(st.st_rdev)) {
        return;
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto moved = start;
    int last = -1;
    for (;;) {
        int queued = 0;
        if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
            break;
        }
        const auto now = Clock::now();
        if (queued != last) {
            last = queued;
            moved = now;
        }
        if (now - moved > std::chrono::milliseconds(20) ||
            now - start > std::chrono::milliseconds(250)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    (void)tcflush(fd, TCOFLUSH);
}

DCB defaultDcb() {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 9600;
    dcb.fBinary = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.ByteSize = 8;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
}

} // namespace

PosixBackend::PosixBackend() = default;
PosixBackend::~PosixBackend() = default;

std::shared_ptr<PortState> PosixBackend::find(HANDLE h) {
    std::lock_guard lock(m_mutex);
    const auto it = m_ports.find(h);
    return it == m_ports.end() ? nullptr : it->second;
}

std::shared_ptr<PortState> PosixBackend::live(HANDLE h) {
    auto state = find(h);
    if (!state) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (state->released) {
        SetLastError(ERROR_DEVICE_REMOVED);
        return nullptr;
    }
    return state;
}

HANDLE PosixBackend::CreateFileA(const std::string& name, DWORD /*access*/, DWORD /*share*/,
                                 DWORD /*creation*/, DWORD /*flags*/) {
    const auto number = portNumberOfName(name);
    const std::string path = number ? devicePathOfPort(*number) : std::string();
    if (path.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(errorOfErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    if (!isatty(fd)) {
        ::close(fd);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // Windows opens a port for one program only. flock keeps out every other opener that
    // plays by the same rule (also when running as root); TIOCEXCL keeps out everyone else
    // who is not privileged.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    (void)ioctl(fd, TIOCEXCL);
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    auto state = std::make_shared<PortState>(fd, wakeFd);
    state->dcb = defaultDcb();
    std::lock_guard lock(m_mutex);
    const HANDLE handle = m_nextHandle++;
    m_ports[handle] = std::move(state);
    return handle;
}

BOOL PosixBackend::CloseHandle(HANDLE h) {
    std::shared_ptr<PortState> state;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_ports.find(h);
        if (it == m_ports.end()) {
            return fail(ERROR_INVALID_HANDLE);
        }
        state = it->second;
        m_ports.erase(it);
    }
    state->eventMask = 0;
    state->endPendingWrite();
    {
        std::lock_guard io(state->ioMutex);
        if (!state->released) {
            // What flow control still holds back would keep close() waiting for the driver's
            // drain time (commonly 30 s).
            dropHeldBackOutput(state->fd);
        }
        state->releaseLocked();
    }
    return 1;
}

BOOL PosixBackend::SetupComm(HANDLE h, DWORD inQueue, DWORD /*outQueue*/) {
    // The tty layer's queues have a fixed size; the receive size bounds what the event wait
    // takes in.
    const auto state = live(h);
    if (!state) {
        return 0;
    }
    std::lock_guard io(state->ioMutex);
    state->inQueueSize = std::max<DWORD>(inQueue, 16);
    return 1;
}

BOOL PosixBackend::BuildCommDCBA(const std::string& def, DCB* dcb) {
    if (!dcb || !parseCommDcbText(def, *dcb)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    return 1;
}

BOOL PosixBackend::SetCommState(HANDLE h, const DCB* dcb) {
    const auto state = live(h);
    if (!state) {
        return 0;
    }
    termios tio{};
    if (tcgetattr(state->fd, &tio) != 0) {
        return fail(errorOfErrno(errno));
    }
    if (!dcb || dcb->BaudRate == 0) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    // A setting this platform cannot carry out is refused with its reason, never dropped.
    if (const Refusal refusal = refusedDcb(*dcb)) {
        SetLastError(refusal.error, refusal.reason);
        return 0;
    }
    applyDcb(*dcb, tio);
    if (tcsetattr(state->fd, TCSANOW, &tio) != 0) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    // Both directions every time (a custom input rate would otherwise outlive a standard rate
    // set next), and a rate the driver rounds too far would only give garbage on the line.
    unsigned in = 0;
    unsigned out = 0;
    if (!setLineSpeed(state->fd, dcb->BaudRate, in, out) || !rateAccepted(dcb->BaudRate, in) ||
        !rateAccepted(dcb->BaudRate, out)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    applyModemLines(state->fd, *dcb);
    std::lock_guard io(state->ioMutex);
    state->dcb = *dcb;
    return 1;
}

BOOL PosixBackend::GetCommState(HANDLE h, DCB* dcb) {
    const auto state = live(h);
    if (!state) {
        return 0;
    }
    termios tio{};
    if (!dcb || tcgetattr(state->fd, &tio) != 0) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    {
        std::lock_guard io(state->ioMutex);
        *dcb = state->dcb;
    }
    readDcb(tio, *dcb);
    unsigned in = 0;
    unsigned out = 0;
    if (lineSpeed(state->fd, in, out)) {
        dcb->BaudRate = out;
    }
    return 1;
}

BOOL PosixBackend::SetCommTimeouts(HANDLE h, const COMMTIMEOUTS* timeouts) {
    const auto state = find(h);
    if (!state || !timeouts) {
        return fail(ERROR_INVALID_HANDLE);
    }
    state->timeouts = *timeouts;
    return 1;
}

BOOL PosixBackend::SetCommMask(HANDLE h, DWORD mask) {
    const auto state = find(h);
    if (!state) {
        return fail(ERROR_INVALID_HANDLE);
    }
    {
        std::lock_guard io(state->ioMutex);
        if (!state->released) {
            state->baseline = state->snapshotLocked();
        }
        state->eventMask = mask;
    }
    // A pending WaitCommEvent returns at once with an empty mask, as on Windows.
    state->wake(true);
    return 1;
}

// Reads never stay pending here; a pending write is ended with what it sent so far.
BOOL PosixBackend::CancelIo(HANDLE h) {
    const auto state = find(h);
    if (!state) {
        return fail(ERROR_INVALID_HANDLE);
    }
    if (state->pendingWriteRecord.load()) {
        state->txAbort.fire();
    }
    return 1;
}

// Another thread's read or write runs inside ReadFile or a write's helper here: both give up at
// the abort, with what they have done so far; a line-event wait returns with an empty mask.
BOOL PosixBackend::CancelIoEx(HANDLE h, OVERLAPPED* ov) {
    const auto state = find(h);
    if (!state) {
        return fail(ERROR_INVALID_HANDLE);
    }
    if (!ov) {
        state->rxAbort.fire();
        state->txAbort.fire();
        state->wake(true);
    } else if (ov == state->pendingWriteRecord.load()) {
        state->txAbort.fire();
    }
    return 1;
}

BOOL PosixBackend::PurgeComm(HANDLE h, DWORD flags) {
    const auto state = live(h);
    if (!state) {
        return 0;
    }
    if (flags & PURGE_TXABORT) {
        state->txAbort.fire();
    }
    if (flags & PURGE_RXABORT) {
        state->rxAbort.fire();
    }
    std::lock_guard io(state->ioMutex);
    const bool tx = (flags & (PURGE_TXABORT | PURGE_TXCLEAR)) != 0;
    const bool rx = (flags & (PURGE_RXABORT | PURGE_RXCLEAR)) != 0;
    if (rx) {
        state->rxBuffer.clear();
    }
    if (tx) {
        dropHeldBackOutput(state->fd);
    }
    if (rx) {
        // The dropped bytes have arrived all the same: the count of arrivals never goes back.
        int queued = 0;
        if (ioctl(state->fd, TIOCINQ, &queued) == 0 && queued > 0) {
            state->takenOff += static_cast<std::uint64_t>(queued);
        }
        (void)tcflush(state->fd, TCIFLUSH);
    }
    return 1;
}

BOOL PosixBackend::DeviceGone(HANDLE h) {
    const auto state = find(h);
    if (!state) {
        return 0;
    }
    if (state->gone || state->released) {
        return 1;
    }
    std::lock_guard io(state->ioMutex);
    // Looked at again under the lock: the event thread may have found the hang-up meanwhile,
    // and the descriptor then points at /dev/null, which never hangs up.
    if (state->gone || state->released || lineHungUp(state->fd)) {
        state->markGoneLocked();
        return 1;
    }
    return 0;
}

void PosixBackend::AbandonHandle(HANDLE h) {
    std::shared_ptr<PortState> state;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_ports.find(h);
        if (it == m_ports.end()) {
            return;
        }
        state = it->second;
        m_ports.erase(it);
    }
    state->eventMask = 0;
    state->endPendingWrite();
    state->release();
}

// Linux gives each thread its own nice value; raising it above normal needs privileges, and
// the thread then stays as it is.
BOOL PosixBackend::SetCurrentThreadPriority(int priority) {
#if defined(__linux__)
    const int nice = priority <= THREAD_PRIORITY_IDLE            ? 19
                     : priority >= THREAD_PRIORITY_TIME_CRITICAL ? -20
                                                                 : -5 * priority;
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), nice) != 0) {
        return fail(ERROR_ACCESS_DENIED);
    }
    return 1;
#else
    return priority == THREAD_PRIORITY_NORMAL ? 1 : fail(ERROR_ACCESS_DENIED);
#endif
}

BOOL PosixBackend::GetDefaultCommConfigA(const std::string& name, COMMCONFIG* cc, DWORD* size) {
    if (!size || !cc) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    if (*size < sizeof(COMMCONFIG)) {
        *size = sizeof(COMMCONFIG);
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    const auto number = portNumberOfName(name);
    if (!number || !portPresent(*number)) {
        return fail(ERROR_FILE_NOT_FOUND);
    }
    std::memset(cc, 0, sizeof(COMMCONFIG));
    cc->dwSize = sizeof(COMMCONFIG);
    cc->wVersion = 1;
    cc->dcb = defaultDcb();
    cc->dwProviderSubType = 1; // PST_RS232
    *size = sizeof(COMMCONFIG);
    return 1;
}

BOOL PosixBackend::GetVersionExA(OSVERSIONINFOA* info) {
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    // The overlapped (NT) family: transfers here behave as the waiting kind.
    info->dwMajorVersion = 6;
    info->dwMinorVersion = 2;
    info->dwBuildNumber = 9200;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    info->szCSDVersion[0] = '\0';
    return 1;
}

} // namespace comm::posix

namespace comm {

Backend& platformBackend() {
    static posix::PosixBackend instance;
    return instance;
}

} // namespace comm

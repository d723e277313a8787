#include "FakeComm.h"

#include "serial/COMManager.h"

#include <algorithm>
#include <cstring>

using namespace comm;

FakeComm::FakeComm() {
    m_previous = setBackend(this);
}
FakeComm::~FakeComm() {
    setBackend(m_previous);
}

void FakeComm::addPorts(std::initializer_list<int> numbers) {
    for (int n : numbers) {
        presentNames.insert("COM" + std::to_string(n));
    }
}

void FakeComm::record(Call call) {
    calls.push_back(std::move(call));
}

void FakeComm::clear() {
    std::lock_guard lock(m_mutex);
    calls.clear();
}

std::vector<std::string> FakeComm::names() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> out;
    for (const auto& c : calls) {
        out.push_back(c.name);
    }
    return out;
}

int FakeComm::count(const std::string& name) const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.name == name; }));
}

const FakeComm::Call* FakeComm::last(const std::string& name) const {
    std::lock_guard lock(m_mutex);
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->name == name) {
            return &*it;
        }
    }
    return nullptr;
}

bool FakeComm::fails(const std::string& name) {
    const auto it = failures.find(name);
    if (it == failures.end()) {
        return false;
    }
    SetLastError(it->second);
    return true;
}

HANDLE FakeComm::CreateFileA(const std::string& name, DWORD access, DWORD share, DWORD creation,
                             DWORD flags) {
    std::lock_guard lock(m_mutex);
    record({"CreateFile", name, {access, share, creation, flags}});
    if (fails("CreateFile")) {
        return INVALID_HANDLE_VALUE;
    }
    ++openHandles;
    return kHandle;
}

BOOL FakeComm::CloseHandle(HANDLE h) {
    std::lock_guard lock(m_mutex);
    record({"CloseHandle", {}, {h}});
    --openHandles;
    return 1;
}

BOOL FakeComm::SetupComm(HANDLE h, DWORD in, DWORD out) {
    std::lock_guard lock(m_mutex);
    record({"SetupComm", {}, {h, in, out}});
    return !fails("SetupComm");
}

BOOL FakeComm::BuildCommDCBA(const std::string& def, DCB* d) {
    std::lock_guard lock(m_mutex);
    record({"BuildCommDCB", def, {d->DCBlength}});
    if (fails("BuildCommDCB")) {
        return 0;
    }
    // What the platform leaves in the fields the component does not set.
    d->wReserved = 0x5A5A;
    d->wReserved1 = 0xA5A5;
    return parseCommDcbText(def, *d);
}

BOOL FakeComm::SetCommState(HANDLE h, const DCB* d) {
    std::lock_guard lock(m_mutex);
    record({"SetCommState", {}, {h}});
    dcb = *d;
    return !fails("SetCommState");
}

BOOL FakeComm::GetCommState(HANDLE h, DCB* d) {
    std::lock_guard lock(m_mutex);
    record({"GetCommState", {}, {h}});
    *d = dcb;
    return 1;
}

BOOL FakeComm::SetCommTimeouts(HANDLE h, const COMMTIMEOUTS* t) {
    std::lock_guard lock(m_mutex);
    record({"SetCommTimeouts", {}, {h}});
    timeouts = *t;
    return !fails("SetCommTimeouts");
}

BOOL FakeComm::SetCommMask(HANDLE h, DWORD mask) {
    {
        std::lock_guard lock(m_mutex);
        record({"SetCommMask", {}, {h, mask}});
        if (fails("SetCommMask")) {
            return 0;
        }
        m_mask = mask;
        ++m_maskEpoch;
    }
    m_changed.notify_all();
    return 1;
}

// Like Windows: returns with the next scripted event, or with an empty mask as soon as the
// mask is set anew.
BOOL FakeComm::WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED*) {
    std::unique_lock lock(m_mutex);
    record({"WaitCommEvent", {}, {h}});
    ++m_waits;
    m_changed.notify_all();
    *mask = 0;
    if (fails("WaitCommEvent")) {
        return 0;
    }
    const unsigned epoch = m_maskEpoch;
    m_changed.wait(lock, [&] { return !m_events.empty() || m_maskEpoch != epoch; });
    if (m_maskEpoch != epoch) {
        return 1;
    }
    *mask = m_events.front() & m_mask;
    m_events.pop_front();
    return 1;
}

void FakeComm::pushEvent(DWORD events, const std::string& bytes) {
    {
        std::lock_guard lock(m_mutex);
        rx += bytes;
        m_events.push_back(events);
    }
    m_changed.notify_all();
}

bool FakeComm::waitForWaits(int n, std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return m_waits >= n; });
}

int FakeComm::waitsEntered() const {
    std::lock_guard lock(m_mutex);
    return m_waits;
}

BOOL FakeComm::PurgeComm(HANDLE h, DWORD flags) {
    std::lock_guard lock(m_mutex);
    record({"PurgeComm", {}, {h, flags}});
    outQueue = 0;
    return 1;
}

BOOL FakeComm::SetCurrentThreadPriority(int priority) {
    std::lock_guard lock(m_mutex);
    record({"SetThreadPriority", {}, {priority}});
    threadPriority = priority;
    return 1;
}

BOOL FakeComm::DeviceGone(HANDLE h) {
    std::lock_guard lock(m_mutex);
    return goneHandles.count(h) != 0;
}

void FakeComm::AbandonHandle(HANDLE h) {
    {
        std::lock_guard lock(m_mutex);
        record({"AbandonHandle", {}, {h}});
        --openHandles;
        ++m_maskEpoch; // the wait on a vanished device ends
    }
    m_changed.notify_all();
}

BOOL FakeComm::ReadFile(HANDLE h, void* buf, DWORD count, DWORD* read, OVERLAPPED* ov) {
    std::lock_guard lock(m_mutex);
    record({"ReadFile", {}, {h, count, reinterpret_cast<long long>(ov)}});
    *read = 0;
    if (fails("ReadFile")) {
        return 0;
    }
    DWORD n = std::min<DWORD>(count, static_cast<DWORD>(rx.size()));
    if (readDeliversAtMost) {
        n = std::min(n, *readDeliversAtMost);
    }
    std::memcpy(buf, rx.data(), n);
    rx.erase(0, n);
    if (readsPend) {
        m_pendingCount = n;
        m_pendingIsRead = true;
        m_pendingBuffer = buf;
        SetLastError(ERROR_IO_PENDING);
        return 0;
    }
    *read = n;
    return 1;
}

BOOL FakeComm::WriteFile(HANDLE h, const void* buf, DWORD count, DWORD* written, OVERLAPPED* ov) {
    std::lock_guard lock(m_mutex);
    record({"WriteFile",
            std::string(static_cast<const char*>(buf), count),
            {h, count, reinterpret_cast<long long>(ov)}});
    *written = 0;
    if (fails("WriteFile")) {
        return 0;
    }
    if (writesPend) {
        // Like a real overlapped write, the bytes are taken from the buffer when it completes.
        m_pendingCount = count;
        m_pendingIsRead = false;
        m_pendingBuffer = const_cast<void*>(buf);
        SetLastError(ERROR_IO_PENDING);
        return 0;
    }
    tx.append(static_cast<const char*>(buf), count);
    *written = count;
    return 1;
}

BOOL FakeComm::GetOverlappedResult(HANDLE h, OVERLAPPED*, DWORD* transferred, BOOL wait) {
    std::lock_guard lock(m_mutex);
    record({"GetOverlappedResult", {}, {h, wait}});
    if (!wait && pendingStaysIncomplete) {
        *transferred = 0;
        SetLastError(ERROR_IO_INCOMPLETE);
        return 0;
    }
    if (!m_pendingIsRead && m_pendingBuffer) {
        tx.append(static_cast<const char*>(m_pendingBuffer), m_pendingCount);
        m_pendingBuffer = nullptr;
    }
    *transferred = m_pendingCount;
    return 1;
}

BOOL FakeComm::ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat) {
    std::lock_guard lock(m_mutex);
    record({"ClearCommError", {}, {h}});
    if (fails("ClearCommError")) {
        return 0;
    }
    *errors = 0x10; // a break the component must ignore
    stat->cbInQue = static_cast<DWORD>(rx.size());
    stat->cbOutQue = outQueue;
    return 1;
}

BOOL FakeComm::CancelIo(HANDLE h) {
    std::lock_guard lock(m_mutex);
    record({"CancelIo", {}, {h}});
    return 1;
}

BOOL FakeComm::CancelIoEx(HANDLE h, OVERLAPPED* ov) {
    {
        std::lock_guard lock(m_mutex);
        record({"CancelIoEx", {}, {h, reinterpret_cast<long long>(ov)}});
        if (!ov) {
            ++m_maskEpoch; // a pending wait ends too
        }
    }
    m_changed.notify_all();
    return 1;
}

BOOL FakeComm::GetDefaultCommConfigA(const std::string& name, COMMCONFIG*, DWORD* size) {
    std::lock_guard lock(m_mutex);
    record({"GetDefaultCommConfig", name, {*size}});
    if (presentNames.count(name) == 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    return 1;
}

BOOL FakeComm::GetVersionExA(OSVERSIONINFOA* info) {
    std::lock_guard lock(m_mutex);
    record({"GetVersionEx", {}, {info->dwOSVersionInfoSize}});
    info->dwPlatformId = ntPlatform ? VER_PLATFORM_WIN32_NT : 1;
    return 1;
}

FakeSerialWorld::FakeSerialWorld(std::initializer_list<int> ports) {
    comm.addPorts(ports);
    registry = std::make_unique<TCOMManager>();
    installCOMManager(registry.get());
    comm.clear();
}

FakeSerialWorld::~FakeSerialWorld() {
    installCOMManager(nullptr);
}

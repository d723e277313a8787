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

std::vector<std::string> FakeComm::names() const {
    std::vector<std::string> out;
    for (const auto& c : calls) {
        out.push_back(c.name);
    }
    return out;
}

int FakeComm::count(const std::string& name) const {
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.name == name; }));
}

const FakeComm::Call* FakeComm::last(const std::string& name) const {
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
    calls.push_back({"CreateFile", name, {access, share, creation, flags}});
    if (fails("CreateFile")) {
        return INVALID_HANDLE_VALUE;
    }
    ++openHandles;
    return kHandle;
}

BOOL FakeComm::CloseHandle(HANDLE h) {
    calls.push_back({"CloseHandle", {}, {h}});
    --openHandles;
    return 1;
}

BOOL FakeComm::SetupComm(HANDLE h, DWORD in, DWORD out) {
    calls.push_back({"SetupComm", {}, {h, in, out}});
    return !fails("SetupComm");
}

BOOL FakeComm::BuildCommDCBA(const std::string& def, DCB* d) {
    calls.push_back({"BuildCommDCB", def, {d->DCBlength}});
    if (fails("BuildCommDCB")) {
        return 0;
    }
    // What the platform leaves in the fields the component does not set.
    d->wReserved = 0x5A5A;
    d->wReserved1 = 0xA5A5;
    return parseCommDcbText(def, *d);
}

BOOL FakeComm::SetCommState(HANDLE h, const DCB* d) {
    calls.push_back({"SetCommState", {}, {h}});
    dcb = *d;
    return !fails("SetCommState");
}

BOOL FakeComm::GetCommState(HANDLE h, DCB* d) {
    calls.push_back({"GetCommState", {}, {h}});
    *d = dcb;
    return 1;
}

BOOL FakeComm::SetCommTimeouts(HANDLE h, const COMMTIMEOUTS* t) {
    calls.push_back({"SetCommTimeouts", {}, {h}});
    timeouts = *t;
    return !fails("SetCommTimeouts");
}

BOOL FakeComm::SetCommMask(HANDLE h, DWORD mask) {
    calls.push_back({"SetCommMask", {}, {h, mask}});
    return !fails("SetCommMask");
}

BOOL FakeComm::WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED*) {
    calls.push_back({"WaitCommEvent", {}, {h}});
    *mask = 0;
    return !fails("WaitCommEvent");
}

BOOL FakeComm::ReadFile(HANDLE h, void* buf, DWORD count, DWORD* read, OVERLAPPED* ov) {
    calls.push_back({"ReadFile", {}, {h, count, reinterpret_cast<long long>(ov)}});
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
    calls.push_back({"WriteFile",
                     std::string(static_cast<const char*>(buf), count),
                     {h, count, reinterpret_cast<long long>(ov)}});
    *written = 0;
    if (fails("WriteFile")) {
        return 0;
    }
    tx.append(static_cast<const char*>(buf), count);
    if (writesPend) {
        m_pendingCount = count;
        m_pendingIsRead = false;
        SetLastError(ERROR_IO_PENDING);
        return 0;
    }
    *written = count;
    return 1;
}

BOOL FakeComm::GetOverlappedResult(HANDLE h, OVERLAPPED*, DWORD* transferred, BOOL wait) {
    calls.push_back({"GetOverlappedResult", {}, {h, wait}});
    if (!wait && pendingStaysIncomplete) {
        *transferred = 0;
        SetLastError(ERROR_IO_INCOMPLETE);
        return 0;
    }
    *transferred = m_pendingCount;
    return 1;
}

BOOL FakeComm::ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat) {
    calls.push_back({"ClearCommError", {}, {h}});
    if (fails("ClearCommError")) {
        return 0;
    }
    *errors = 0x10; // a break the component must ignore
    stat->cbInQue = static_cast<DWORD>(rx.size());
    stat->cbOutQue = outQueue;
    return 1;
}

BOOL FakeComm::CancelIo(HANDLE h) {
    calls.push_back({"CancelIo", {}, {h}});
    return 1;
}

BOOL FakeComm::GetDefaultCommConfigA(const std::string& name, COMMCONFIG*, DWORD* size) {
    calls.push_back({"GetDefaultCommConfig", name, {*size}});
    if (presentNames.count(name) == 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    return 1;
}

BOOL FakeComm::GetVersionExA(OSVERSIONINFOA* info) {
    calls.push_back({"GetVersionEx", {}, {info->dwOSVersionInfoSize}});
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

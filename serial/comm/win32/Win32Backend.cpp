// The comm API on Windows: every call goes through to the real function of the same name.
// Our structures have the Win32 layout (checked below), so they are handed over as they are;
// only handles and counts change type. What this adds to a plain pass-through, and why:
// - A transfer whose OVERLAPPED record carries no event (the component's never does) gets an
//   event of its own for as long as it runs. Without one, GetOverlappedResult waits on the port
//   handle, which every completed operation on the port signals, so a write could be taken as
//   finished when the event thread's wait ended, and a read buffer handed back while the read
//   still runs.
// - WaitCommEvent without an OVERLAPPED record on a port opened for overlapped I/O may report a
//   wait as complete that is still running; here such a call waits with a record of its own,
//   and fails, as Windows does, when the port's event mask is empty (wine would wait forever).

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <dbt.h>

#include "serial/comm/CommApi.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

static_assert(sizeof(comm::DCB) == sizeof(::DCB) &&
              offsetof(comm::DCB, XonLim) == offsetof(::DCB, XonLim) &&
              offsetof(comm::DCB, ByteSize) == offsetof(::DCB, ByteSize) &&
              offsetof(comm::DCB, EvtChar) == offsetof(::DCB, EvtChar));
static_assert(sizeof(comm::COMMTIMEOUTS) == sizeof(::COMMTIMEOUTS));
static_assert(sizeof(comm::COMSTAT) == sizeof(::COMSTAT) &&
              offsetof(comm::COMSTAT, cbInQue) == offsetof(::COMSTAT, cbInQue));
static_assert(sizeof(comm::OVERLAPPED) == sizeof(::OVERLAPPED) &&
              offsetof(comm::OVERLAPPED, Offset) == offsetof(::OVERLAPPED, Offset) &&
              offsetof(comm::OVERLAPPED, hEvent) == offsetof(::OVERLAPPED, hEvent));
static_assert(sizeof(comm::COMMCONFIG) == 52 && sizeof(::COMMCONFIG) == 52 &&
              offsetof(comm::COMMCONFIG, dwProviderSubType) ==
                  offsetof(::COMMCONFIG, dwProviderSubType));
static_assert(sizeof(comm::OSVERSIONINFOA) == 148 && sizeof(::OSVERSIONINFOA) == 148);
static_assert(sizeof(comm::DWORD) == sizeof(::DWORD) && sizeof(comm::HANDLE) == sizeof(::HANDLE));

// Outside our namespace, where HANDLE in the macro means the platform's type.
static ::HANDLE platformInvalidHandle() {
    return INVALID_HANDLE_VALUE;
}

namespace comm::win32 {
namespace {

::HANDLE native(comm::HANDLE h) {
    return reinterpret_cast<::HANDLE>(h);
}
comm::HANDLE ours(::HANDLE h) {
    return reinterpret_cast<comm::HANDLE>(h);
}
::OVERLAPPED* native(comm::OVERLAPPED* ov) {
    return reinterpret_cast<::OVERLAPPED*>(ov);
}

// The result of a real call, with the thread's last error handed to the comm API's own.
BOOL done(::BOOL ok) {
    comm::SetLastError(::GetLastError());
    return ok ? 1 : 0;
}

class Win32Backend : public Backend {
public:
    Win32Backend() {
        // Our invalid handle is the platform's; the one value that cannot be checked earlier.
        if (ours(platformInvalidHandle()) != -1) { // comm::INVALID_HANDLE_VALUE
            std::abort();
        }
    }
    ~Win32Backend() override {
        for (const auto& [ov, event] : m_events) {
            ::CloseHandle(event);
        }
    }

    comm::HANDLE CreateFileA(const std::string& name, comm::DWORD access, comm::DWORD share,
                             comm::DWORD creation, comm::DWORD flags) override {
        const ::HANDLE h =
            ::CreateFileA(name.c_str(), access, share, nullptr, creation, flags, nullptr);
        comm::SetLastError(::GetLastError());
        return ours(h);
    }

    BOOL CloseHandle(comm::HANDLE h) override { return done(::CloseHandle(native(h))); }

    BOOL SetupComm(comm::HANDLE h, comm::DWORD inQueue, comm::DWORD outQueue) override {
        return done(::SetupComm(native(h), inQueue, outQueue));
    }

    BOOL BuildCommDCBA(const std::string& def, comm::DCB* dcb) override {
        return done(::BuildCommDCBA(def.c_str(), reinterpret_cast<::DCB*>(dcb)));
    }

    BOOL SetCommState(comm::HANDLE h, const comm::DCB* dcb) override {
        ::DCB copy;
        std::memcpy(&copy, dcb, sizeof copy);
        return done(::SetCommState(native(h), &copy));
    }

    BOOL GetCommState(comm::HANDLE h, comm::DCB* dcb) override {
        return done(::GetCommState(native(h), reinterpret_cast<::DCB*>(dcb)));
    }

    BOOL SetCommTimeouts(comm::HANDLE h, const comm::COMMTIMEOUTS* timeouts) override {
        ::COMMTIMEOUTS copy;
        std::memcpy(&copy, timeouts, sizeof copy);
        return done(::SetCommTimeouts(native(h), &copy));
    }

    BOOL SetCommMask(comm::HANDLE h, comm::DWORD mask) override {
        return done(::SetCommMask(native(h), mask));
    }

    BOOL WaitCommEvent(comm::HANDLE h, comm::DWORD* mask, comm::OVERLAPPED* ov) override {
        if (ov) {
            // The platform writes the mask when the wait ends, so it gets the caller's word.
            return done(::WaitCommEvent(native(h), reinterpret_cast<::DWORD*>(mask), native(ov)));
        }
        // Windows fails a wait on an empty mask at once; wine keeps it pending for good, so a
        // close that clears the mask just before the event thread's next wait would never end
        // that thread. Here the wait fails as on Windows, also when the mask is cleared after
        // the check but before the platform took the wait.
        if (maskIsEmpty(h)) {
            comm::SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        ::OVERLAPPED own{};
        own.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!own.hEvent) {
            return done(FALSE);
        }
        ::DWORD events = 0;
        ::BOOL ok = ::WaitCommEvent(native(h), &events, &own);
        if (!ok && ::GetLastError() == ERROR_IO_PENDING) {
            while (::WaitForSingleObject(own.hEvent, kMaskCheckMs) == WAIT_TIMEOUT) {
                if (maskIsEmpty(h)) {
                    ::CancelIo(native(h));
                    break;
                }
            }
            ::DWORD unused = 0;
            ok = ::GetOverlappedResult(native(h), &own, &unused, TRUE);
        }
        const ::DWORD error = ::GetLastError();
        ::CloseHandle(own.hEvent);
        *mask = ok ? events : 0;
        comm::SetLastError(error);
        return ok ? 1 : 0;
    }

    BOOL ReadFile(comm::HANDLE h, void* buf, comm::DWORD count, comm::DWORD* read,
                  comm::OVERLAPPED* ov) override {
        lendEvent(ov);
        ::DWORD n = 0;
        const ::BOOL ok = ::ReadFile(native(h), buf, count, &n, native(ov));
        *read = n;
        return settle(ov, ok);
    }

    BOOL WriteFile(comm::HANDLE h, const void* buf, comm::DWORD count, comm::DWORD* written,
                   comm::OVERLAPPED* ov) override {
        lendEvent(ov);
        ::DWORD n = 0;
        const ::BOOL ok = ::WriteFile(native(h), buf, count, &n, native(ov));
        *written = n;
        return settle(ov, ok);
    }

    BOOL GetOverlappedResult(comm::HANDLE h, comm::OVERLAPPED* ov, comm::DWORD* transferred,
                             BOOL wait) override {
        ::DWORD n = 0;
        const ::BOOL ok = ::GetOverlappedResult(native(h), native(ov), &n, wait);
        *transferred = n;
        return settle(ov, ok);
    }

    BOOL ClearCommError(comm::HANDLE h, comm::DWORD* errors, comm::COMSTAT* stat) override {
        ::DWORD e = 0;
        const BOOL ok = done(::ClearCommError(native(h), &e, reinterpret_cast<::COMSTAT*>(stat)));
        if (errors) {
            *errors = e;
        }
        return ok;
    }

    BOOL CancelIo(comm::HANDLE h) override { return done(::CancelIo(native(h))); }

    BOOL CancelIoEx(comm::HANDLE h, comm::OVERLAPPED* ov) override {
        return done(::CancelIoEx(native(h), ov ? native(ov) : nullptr));
    }

    BOOL GetDefaultCommConfigA(const std::string& name, comm::COMMCONFIG* cc,
                               comm::DWORD* size) override {
        ::DWORD n = *size;
        const BOOL ok =
            done(::GetDefaultCommConfigA(name.c_str(), reinterpret_cast<::COMMCONFIG*>(cc), &n));
        *size = n;
        return ok;
    }

    BOOL GetVersionExA(comm::OSVERSIONINFOA* info) override {
        return done(::GetVersionExA(reinterpret_cast<::OSVERSIONINFOA*>(info)));
    }

    BOOL PurgeComm(comm::HANDLE h, comm::DWORD flags) override {
        return done(::PurgeComm(native(h), flags));
    }

    BOOL SetCurrentThreadPriority(int priority) override {
        return done(::SetThreadPriority(::GetCurrentThread(), priority));
    }

    // The handle of a vanished device stays open (closing it is what the component avoids);
    // cancelling every transfer on it, the event thread's wait included, lets that thread end.
    void AbandonHandle(comm::HANDLE h) override {
        const ::DWORD error = ::GetLastError();
        ::CancelIoEx(native(h), nullptr);
        ::SetLastError(error);
    }

private:
    static constexpr ::DWORD kMaskCheckMs = 100;

    static bool maskIsEmpty(comm::HANDLE h) {
        ::DWORD mask = 0;
        return ::GetCommMask(native(h), &mask) && mask == 0;
    }

    // Gives a record without an event the one kept for it, for the transfer about to start.
    // One event per record address, kept until the process ends: a transfer abandoned with its
    // record might still signal the event, so it is never closed early; and a component keeps
    // its one record for its whole life, so there are only ever a few.
    void lendEvent(comm::OVERLAPPED* ov) {
        if (!ov) {
            return;
        }
        std::lock_guard lock(m_mutex);
        auto it = m_events.find(ov);
        if (ov->hEvent != 0 && (it == m_events.end() || ours(it->second) != ov->hEvent)) {
            return; // the caller's own event
        }
        if (it == m_events.end()) {
            const ::HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
            if (!event) {
                return; // the transfer then waits on the port handle, as without us
            }
            it = m_events.emplace(ov, event).first;
        }
        ov->hEvent = ours(it->second);
    }

    // Once the transfer is over the record is handed back as the caller gave it.
    BOOL settle(comm::OVERLAPPED* ov, ::BOOL ok) {
        const ::DWORD error = ::GetLastError();
        if (ov && (ok || (error != ERROR_IO_PENDING && error != ERROR_IO_INCOMPLETE))) {
            std::lock_guard lock(m_mutex);
            const auto it = m_events.find(ov);
            if (it != m_events.end() && ours(it->second) == ov->hEvent) {
                ov->hEvent = 0;
            }
        }
        comm::SetLastError(error);
        return ok ? 1 : 0;
    }

    std::mutex m_mutex;
    std::map<const comm::OVERLAPPED*, ::HANDLE> m_events;
};

} // namespace
} // namespace comm::win32

namespace comm {

Backend& platformBackend() {
    static win32::Win32Backend backend;
    return backend;
}

} // namespace comm

#pragma once
// A scripted comm backend: records every call with its arguments, holds a receive queue that
// the test fills, and fails any call the test names. Installed for its lifetime.
//
// The event thread calls it from a second thread: every call takes one lock. While a thread
// runs, a test touches the script only through the locked helpers (pushEvent, waitForWaits,
// count, names); the plain fields are for single-threaded tests and after Close.

#include "serial/comm/CommApi.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

class FakeComm : public comm::Backend {
public:
    struct Call {
        std::string name;
        std::string text;            // device or DCB text
        std::vector<long long> args; // the numeric arguments in order
    };

    FakeComm();
    ~FakeComm() override;

    // --- script
    std::set<std::string> presentNames; // names GetDefaultCommConfig finds ("COM1", "\\.\COM12")
    void addPorts(std::initializer_list<int> numbers);
    std::map<std::string, comm::DWORD> failures; // call name -> last error it fails with
    bool ntPlatform = true;
    std::string rx; // bytes waiting to be read
    comm::DWORD outQueue = 0;
    std::optional<comm::DWORD> readDeliversAtMost; // a read that ends early
    bool readsPend = false;                        // ReadFile reports ERROR_IO_PENDING
    bool writesPend = false;                       // WriteFile reports ERROR_IO_PENDING
    bool pendingStaysIncomplete = false; // GetOverlappedResult(wait=false) reports incomplete

    // --- record
    std::vector<Call> calls;
    std::string tx;
    comm::DCB dcb{};               // as last passed to SetCommState
    comm::COMMTIMEOUTS timeouts{}; // as last passed to SetCommTimeouts
    int openHandles = 0;

    std::set<comm::HANDLE> goneHandles; // DeviceGone answers true for these
    int threadPriority = -99;           // as last set by SetCurrentThreadPriority

    std::vector<std::string> names() const;
    int count(const std::string& name) const;
    const Call* last(const std::string& name) const;
    void clear();

    // --- the line-event wait
    // The next WaitCommEvent reports these events (masked with the port's mask); the bytes
    // join the receive queue first.
    void pushEvent(comm::DWORD events, const std::string& bytes = {});
    // Waits until WaitCommEvent has been entered n times in all (bounded); false on timeout.
    bool waitForWaits(int n, std::chrono::milliseconds limit = std::chrono::seconds(10));
    int waitsEntered() const;

    // --- comm::Backend
    comm::HANDLE CreateFileA(const std::string& name, comm::DWORD access, comm::DWORD share,
                             comm::DWORD creation, comm::DWORD flags) override;
    comm::BOOL CloseHandle(comm::HANDLE h) override;
    comm::BOOL SetupComm(comm::HANDLE h, comm::DWORD in, comm::DWORD out) override;
    comm::BOOL BuildCommDCBA(const std::string& def, comm::DCB* dcb) override;
    comm::BOOL SetCommState(comm::HANDLE h, const comm::DCB* dcb) override;
    comm::BOOL GetCommState(comm::HANDLE h, comm::DCB* dcb) override;
    comm::BOOL SetCommTimeouts(comm::HANDLE h, const comm::COMMTIMEOUTS* t) override;
    comm::BOOL SetCommMask(comm::HANDLE h, comm::DWORD mask) override;
    comm::BOOL WaitCommEvent(comm::HANDLE h, comm::DWORD* mask, comm::OVERLAPPED* ov) override;
    comm::BOOL ReadFile(comm::HANDLE h, void* buf, comm::DWORD count, comm::DWORD* read,
                        comm::OVERLAPPED* ov) override;
    comm::BOOL WriteFile(comm::HANDLE h, const void* buf, comm::DWORD count, comm::DWORD* written,
                         comm::OVERLAPPED* ov) override;
    comm::BOOL GetOverlappedResult(comm::HANDLE h, comm::OVERLAPPED* ov, comm::DWORD* transferred,
                                   comm::BOOL wait) override;
    comm::BOOL ClearCommError(comm::HANDLE h, comm::DWORD* errors, comm::COMSTAT* stat) override;
    comm::BOOL CancelIo(comm::HANDLE h) override;
    comm::BOOL CancelIoEx(comm::HANDLE h, comm::OVERLAPPED* ov) override;
    comm::BOOL GetDefaultCommConfigA(const std::string& name, comm::COMMCONFIG* cc,
                                     comm::DWORD* size) override;
    comm::BOOL GetVersionExA(comm::OSVERSIONINFOA* info) override;
    comm::BOOL PurgeComm(comm::HANDLE h, comm::DWORD flags) override;
    comm::BOOL SetCurrentThreadPriority(int priority) override;
    comm::BOOL DeviceGone(comm::HANDLE h) override;
    void AbandonHandle(comm::HANDLE h) override;

    static constexpr comm::HANDLE kHandle = 0x1234;

private:
    bool fails(const std::string& name);
    void record(Call call);
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<comm::DWORD> m_events;
    comm::DWORD m_mask = 0;
    unsigned m_maskEpoch = 0; // counts what ends a wait: SetCommMask, AbandonHandle, CancelIoEx
    int m_waits = 0;
    comm::Backend* m_previous = nullptr;
    comm::DWORD m_pendingCount = 0;
    bool m_pendingIsRead = false;
    void* m_pendingBuffer = nullptr;
};

// A process registry built over a fake backend that holds the given ports. Components created
// while it lives use it; declare them after it so they go first.
class FakeSerialWorld {
public:
    explicit FakeSerialWorld(std::initializer_list<int> ports);
    ~FakeSerialWorld();
    FakeComm comm;
    std::unique_ptr<class TCOMManager> registry;
};

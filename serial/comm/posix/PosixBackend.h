#pragma once
// The comm API on a POSIX tty: termios in raw mode, Win32 timeouts enforced with poll(),
// exclusive access as Windows opens a port without sharing. Transfers complete before the call
// returns, so an OVERLAPPED record never stays pending here. A device that hangs up is let go
// of as soon as any call finds it so (a USB adapter still held open would keep its name, and
// come back under another when it is plugged in again).

#include "serial/comm/CommApi.h"

#include <map>
#include <memory>
#include <mutex>

namespace comm::posix {

struct PortState;

// Whether the tty reports a hang-up (the far end or the adapter is gone).
bool lineHungUp(int fd);

class PosixBackend : public Backend {
public:
    PosixBackend();
    ~PosixBackend() override;

    HANDLE CreateFileA(const std::string& name, DWORD access, DWORD share, DWORD creation,
                       DWORD flags) override;
    BOOL CloseHandle(HANDLE h) override;
    BOOL SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue) override;
    BOOL BuildCommDCBA(const std::string& def, DCB* dcb) override;
    BOOL SetCommState(HANDLE h, const DCB* dcb) override;
    BOOL GetCommState(HANDLE h, DCB* dcb) override;
    BOOL SetCommTimeouts(HANDLE h, const COMMTIMEOUTS* timeouts) override;
    BOOL SetCommMask(HANDLE h, DWORD mask) override;
    BOOL WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED* ov) override;
    BOOL ReadFile(HANDLE h, void* buf, DWORD count, DWORD* read, OVERLAPPED* ov) override;
    BOOL WriteFile(HANDLE h, const void* buf, DWORD count, DWORD* written, OVERLAPPED* ov) override;
    BOOL GetOverlappedResult(HANDLE h, OVERLAPPED* ov, DWORD* transferred, BOOL wait) override;
    BOOL ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat) override;
    BOOL CancelIo(HANDLE h) override;
    BOOL CancelIoEx(HANDLE h, OVERLAPPED* ov) override;
    BOOL GetDefaultCommConfigA(const std::string& name, COMMCONFIG* cc, DWORD* size) override;
    BOOL GetVersionExA(OSVERSIONINFOA* info) override;
    BOOL PurgeComm(HANDLE h, DWORD flags) override;
    BOOL SetCurrentThreadPriority(int priority) override;
    // A hang-up found here releases the device at once.
    BOOL DeviceGone(HANDLE h) override;
    // Releases the device and forgets the handle.
    void AbandonHandle(HANDLE h) override;

private:
    std::shared_ptr<PortState> find(HANDLE h);
    // The state of a handle whose device is still open; else sets the last error.
    std::shared_ptr<PortState> live(HANDLE h);

    std::mutex m_mutex;
    std::map<HANDLE, std::shared_ptr<PortState>> m_ports;
    // Handles are never given out twice, so an abandoned handle cannot reach a later port.
    HANDLE m_nextHandle = 0x100;
};

} // namespace comm::posix

#pragma once
// The Win32-shaped comm API the serial component is written against. On Windows the win32
// backend passes every call through to the real function; on Linux the posix backend maps it to
// termios; tests install a scripted fake. Names, structures and values are those of Win32 so that
// the component's algorithms read the same on every platform.

#include <cstdint>
#include <memory>
#include <string>

// windows.h defines many of the names below as macros; this hides them while we declare ours.
#include "serial/comm/Win32Names.h"

namespace comm {

using BOOL = int;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using HANDLE = std::intptr_t;

inline constexpr HANDLE INVALID_HANDLE_VALUE = -1;
inline constexpr DWORD MAXDWORD = 0xFFFFFFFFu;

inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_BAD_COMMAND = 22;
inline constexpr DWORD ERROR_SHARING_VIOLATION = 32;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_OPERATION_ABORTED = 995;
inline constexpr DWORD ERROR_IO_INCOMPLETE = 996;
inline constexpr DWORD ERROR_IO_PENDING = 997;
inline constexpr DWORD ERROR_DEVICE_REMOVED = 1617;

inline constexpr BYTE NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
inline constexpr BYTE ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
inline constexpr DWORD DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2;

inline constexpr DWORD EV_RXCHAR = 0x0001, EV_RXFLAG = 0x0002, EV_TXEMPTY = 0x0004, EV_CTS = 0x0008,
                       EV_DSR = 0x0010, EV_RLSD = 0x0020, EV_BREAK = 0x0040, EV_ERR = 0x0080,
                       EV_RING = 0x0100;

inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

inline constexpr DWORD PURGE_TXABORT = 0x0001, PURGE_RXABORT = 0x0002, PURGE_TXCLEAR = 0x0004,
                       PURGE_RXCLEAR = 0x0008;

// SetThreadPriority's levels.
inline constexpr int THREAD_PRIORITY_IDLE = -15, THREAD_PRIORITY_LOWEST = -2,
                     THREAD_PRIORITY_BELOW_NORMAL = -1, THREAD_PRIORITY_NORMAL = 0,
                     THREAD_PRIORITY_ABOVE_NORMAL = 1, THREAD_PRIORITY_HIGHEST = 2,
                     THREAD_PRIORITY_TIME_CRITICAL = 15;

// Device-change broadcast, as the main window's message hook sees it.
inline constexpr unsigned WM_DEVICECHANGE = 0x0219;
inline constexpr DWORD DBT_DEVICEARRIVAL = 0x8000;
inline constexpr DWORD DBT_DEVICEREMOVECOMPLETE = 0x8004;
inline constexpr DWORD DBT_DEVTYP_PORT = 3;

// Win32 DCB, 28 bytes, with the flag bit fields in one 32-bit word.
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
static_assert(sizeof(DCB) == 28, "DCB must keep the Win32 layout");

// The flag word of a DCB as one number (bit 0 = fBinary ... bit 14 = fAbortOnError).
DWORD dcbFlags(const DCB& dcb);

// What BuildCommDCB does on every platform that has to do it itself: parses a device-control
// text ("baud=9600 parity=N data=8 stop=1", or the short form "9600,n,8,1") into the DCB and
// leaves the fields that the text does not name as they were. False on a malformed text.
bool parseCommDcbText(const std::string& def, DCB& dcb);

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};

struct COMSTAT {
    DWORD flags; // fCtsHold .. fTxim bit fields, kept as one word
    DWORD cbInQue;
    DWORD cbOutQue;
};

// 20 bytes on 32-bit Windows, 32 on 64-bit; the fields that the component uses.
struct OVERLAPPED {
    std::uintptr_t Internal;
    std::uintptr_t InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};

struct COMMCONFIG {
    DWORD dwSize;
    WORD wVersion;
    WORD wReserved;
    DCB dcb;
    DWORD dwProviderSubType;
    DWORD dwProviderOffset;
    DWORD dwProviderSize;
    wchar_t wcProviderData[1];
};

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};

// One platform's serial services. Every call has the Win32 meaning and result; the last error
// is kept per thread by the dispatch layer (SetLastError from inside a backend).
class Backend {
public:
    virtual ~Backend() = default;
    virtual HANDLE CreateFileA(const std::string& name, DWORD access, DWORD share, DWORD creation,
                               DWORD flags) = 0;
    virtual BOOL CloseHandle(HANDLE h) = 0;
    virtual BOOL SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue) = 0;
    virtual BOOL BuildCommDCBA(const std::string& def, DCB* dcb) = 0;
    virtual BOOL SetCommState(HANDLE h, const DCB* dcb) = 0;
    virtual BOOL GetCommState(HANDLE h, DCB* dcb) = 0;
    virtual BOOL SetCommTimeouts(HANDLE h, const COMMTIMEOUTS* timeouts) = 0;
    virtual BOOL SetCommMask(HANDLE h, DWORD mask) = 0;
    virtual BOOL WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED* ov) = 0;
    virtual BOOL ReadFile(HANDLE h, void* buf, DWORD count, DWORD* read, OVERLAPPED* ov) = 0;
    virtual BOOL WriteFile(HANDLE h, const void* buf, DWORD count, DWORD* written,
                           OVERLAPPED* ov) = 0;
    virtual BOOL GetOverlappedResult(HANDLE h, OVERLAPPED* ov, DWORD* transferred, BOOL wait) = 0;
    virtual BOOL ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat) = 0;
    // Cancels the transfers of this thread that are still pending on the handle.
    virtual BOOL CancelIo(HANDLE h) = 0;
    // Cancels, from any thread, the transfer pending with that record; with no record, every
    // transfer and line-event wait pending on the handle, whichever thread started it. Both
    // end with ERROR_OPERATION_ABORTED (or what they had done so far).
    virtual BOOL CancelIoEx(HANDLE h, OVERLAPPED* ov) = 0;
    virtual BOOL GetDefaultCommConfigA(const std::string& name, COMMCONFIG* cc, DWORD* size) = 0;
    virtual BOOL GetVersionExA(OSVERSIONINFOA* info) = 0;
    // Discards queued output (PURGE_TXCLEAR) and aborts a write in progress (PURGE_TXABORT);
    // the RX flags do the same for input.
    virtual BOOL PurgeComm(HANDLE h, DWORD flags) = 0;
    // SetThreadPriority(GetCurrentThread(), priority): the calling thread's priority, one of
    // the THREAD_PRIORITY_ levels. A platform that cannot raise a thread's priority for an
    // unprivileged user reports failure and leaves it as it was.
    virtual BOOL SetCurrentThreadPriority(int priority) = 0;

    // Not Win32 calls; what the component needs beyond them when a device goes away.
    //
    // True when the device behind the open handle is known to be gone (unplugged adapter, far
    // end hung up): the handle can never transfer again. The default knows nothing of that.
    virtual BOOL DeviceGone(HANDLE /*h*/) { return 0; }
    // The component gives up the handle of a vanished device without closing it, and never
    // uses it again. A backend frees here what it holds for the handle (the device file, its
    // lock) and ends a WaitCommEvent pending on it. The default does nothing.
    virtual void AbandonHandle(HANDLE /*h*/) {}
};

// The backend in force. The platform's own backend unless a test installed another one.
Backend& backend();
// Installs a backend (tests); nullptr restores the platform's own. Returns the previous one.
Backend* setBackend(Backend* b);
// The platform's own backend, created on first use.
Backend& platformBackend();

DWORD GetLastError();
void SetLastError(DWORD err);
// A backend that refuses a request for a reason the error code cannot tell (a line setting the
// platform cannot apply) sets the code with a text that names it; SetLastError alone clears it.
void SetLastError(DWORD err, const std::string& reason);
// The text set with the last error of this thread; empty when the error came without one.
std::string LastErrorReason();

// The free functions the component calls; each forwards to backend().
HANDLE CreateFileA(const std::string& name, DWORD access, DWORD share, void* security,
                   DWORD creation, DWORD flags, HANDLE templateFile);
BOOL CloseHandle(HANDLE h);
BOOL SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue);
BOOL BuildCommDCBA(const std::string& def, DCB* dcb);
BOOL SetCommState(HANDLE h, DCB* dcb);
BOOL GetCommState(HANDLE h, DCB* dcb);
BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS* timeouts);
BOOL SetCommMask(HANDLE h, DWORD mask);
BOOL WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED* ov);
BOOL ReadFile(HANDLE h, void* buf, DWORD count, DWORD* read, OVERLAPPED* ov);
BOOL WriteFile(HANDLE h, const void* buf, DWORD count, DWORD* written, OVERLAPPED* ov);
BOOL GetOverlappedResult(HANDLE h, OVERLAPPED* ov, DWORD* transferred, BOOL wait);
BOOL ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat);
BOOL CancelIo(HANDLE h);
BOOL CancelIoEx(HANDLE h, OVERLAPPED* ov);
BOOL GetDefaultCommConfigA(const std::string& name, COMMCONFIG* cc, DWORD* size);
BOOL GetVersionExA(OSVERSIONINFOA* info);
BOOL PurgeComm(HANDLE h, DWORD flags);
BOOL SetCurrentThreadPriority(int priority);
BOOL DeviceGone(HANDLE h);
void AbandonHandle(HANDLE h);

} // namespace comm

#include "serial/comm/Win32Names.h"

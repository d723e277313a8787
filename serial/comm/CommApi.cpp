#include "serial/comm/CommApi.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace comm {

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;
thread_local std::string t_lastReason;
Backend* g_installed = nullptr;

std::string lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

bool toNumber(const std::string& text, DWORD& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    DWORD v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + static_cast<DWORD>(c - '0');
    }
    value = v;
    return true;
}

bool parseParity(const std::string& v, DCB& dcb) {
    static const char letters[] = "noems";
    if (v.size() != 1) {
        return false;
    }
    for (BYTE i = 0; i < 5; ++i) {
        if (v[0] == letters[i]) {
            dcb.Parity = i;
            return true;
        }
    }
    return false;
}

bool parseStop(const std::string& v, DCB& dcb) {
    if (v == "1") {
        dcb.StopBits = ONESTOPBIT;
    } else if (v == "1.5") {
        dcb.StopBits = ONE5STOPBITS;
    } else if (v == "2") {
        dcb.StopBits = TWOSTOPBITS;
    } else {
        return false;
    }
    return true;
}

bool parseData(const std::string& v, DCB& dcb) {
    DWORD n = 0;
    if (!toNumber(v, n) || n < 4 || n > 8) {
        return false;
    }
    dcb.ByteSize = static_cast<BYTE>(n);
    return true;
}

bool parseOnOff(const std::string& v, bool& on) {
    if (v == "on") {
        on = true;
    } else if (v == "off") {
        on = false;
    } else {
        return false;
    }
    return true;
}

// The MODE-style form: "baud=9600 parity=N data=8 stop=1 xon=off dtr=on ...".
bool parseKeyValues(const std::string& text, DCB& dcb) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
            ++pos;
        }
        if (pos >= text.size()) {
            break;
        }
        std::size_t end = pos;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) {
            ++end;
        }
        const std::string item = text.substr(pos, end - pos);
        pos = end;
        const std::size_t eq = item.find('=');
        if (eq == std::string::npos) {
            return false;
        }
        const std::string key = item.substr(0, eq);
        const std::string value = item.substr(eq + 1);
        bool on = false;
        DWORD n = 0;
        if (key == "baud") {
            if (!toNumber(value, n)) {
                return false;
            }
            dcb.BaudRate = n;
        } else if (key == "parity") {
            if (!parseParity(value, dcb)) {
                return false;
            }
        } else if (key == "data") {
            if (!parseData(value, dcb)) {
                return false;
            }
        } else if (key == "stop") {
            if (!parseStop(value, dcb)) {
                return false;
            }
        } else if (key == "xon") {
            if (!parseOnOff(value, on)) {
                return false;
            }
            dcb.fOutX = on;
            dcb.fInX = on;
        } else if (key == "octs") {
            if (!parseOnOff(value, on)) {
                return false;
            }
            dcb.fOutxCtsFlow = on;
        } else if (key == "odsr") {
            if (!parseOnOff(value, on)) {
                return false;
            }
            dcb.fOutxDsrFlow = on;
        } else if (key == "idsr") {
            if (!parseOnOff(value, on)) {
                return false;
            }
            dcb.fDsrSensitivity = on;
        } else if (key == "dtr") {
            if (value == "hs") {
                dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
            } else if (parseOnOff(value, on)) {
                dcb.fDtrControl = on ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
            } else {
                return false;
            }
        } else if (key == "rts") {
            if (value == "hs") {
                dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
            } else if (parseOnOff(value, on)) {
                dcb.fRtsControl = on ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
            } else {
                return false;
            }
        } else if (key != "to") {
            return false;
        }
    }
    return true;
}

// The short form: "9600,n,8,1".
bool parseCommaList(const std::string& text, DCB& dcb) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ',') {
            parts.emplace_back();
        } else if (!std::isspace(static_cast<unsigned char>(c))) {
            parts.back() += c;
        }
    }
    DWORD n = 0;
    if (parts.size() > 4 || !toNumber(parts[0], n)) {
        return false;
    }
    dcb.BaudRate = n;
    return (parts.size() < 2 || parseParity(parts[1], dcb)) &&
           (parts.size() < 3 || parseData(parts[2], dcb)) &&
           (parts.size() < 4 || parseStop(parts[3], dcb));
}

} // namespace

DWORD dcbFlags(const DCB& dcb) {
    return dcb.fBinary | dcb.fParity << 1 | dcb.fOutxCtsFlow << 2 | dcb.fOutxDsrFlow << 3 |
           dcb.fDtrControl << 4 | dcb.fDsrSensitivity << 6 | dcb.fTXContinueOnXoff << 7 |
           dcb.fOutX << 8 | dcb.fInX << 9 | dcb.fErrorChar << 10 | dcb.fNull << 11 |
           dcb.fRtsControl << 12 | dcb.fAbortOnError << 14;
}

bool parseCommDcbText(const std::string& def, DCB& dcb) {
    std::string text = lower(def);
    // An optional device prefix such as "COM1:" is allowed and ignored.
    if (text.rfind("com", 0) == 0) {
        const std::size_t colon = text.find(':');
        if (colon == std::string::npos) {
            return false;
        }
        text.erase(0, colon + 1);
    }
    DCB work = dcb;
    work.fBinary = 1;
    const bool ok = text.find('=') != std::string::npos ? parseKeyValues(text, work)
                                                        : parseCommaList(text, work);
    if (ok) {
        dcb = work;
    }
    return ok;
}

Backend& backend() {
    return g_installed ? *g_installed : platformBackend();
}

Backend* setBackend(Backend* b) {
    Backend* previous = g_installed;
    g_installed = b;
    return previous;
}

DWORD GetLastError() {
    return t_lastError;
}
void SetLastError(DWORD err) {
    t_lastError = err;
    t_lastReason.clear();
}
void SetLastError(DWORD err, const std::string& reason) {
    t_lastError = err;
    t_lastReason = reason;
}
std::string LastErrorReason() {
    return t_lastReason;
}

HANDLE CreateFileA(const std::string& name, DWORD access, DWORD share, void* /*security*/,
                   DWORD creation, DWORD flags, HANDLE /*templateFile*/) {
    return backend().CreateFileA(name, access, share, creation, flags);
}
BOOL CloseHandle(HANDLE h) {
    return backend().CloseHandle(h);
}
BOOL SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue) {
    return backend().SetupComm(h, inQueue, outQueue);
}
BOOL BuildCommDCBA(const std::string& def, DCB* dcb) {
    return backend().BuildCommDCBA(def, dcb);
}
BOOL SetCommState(HANDLE h, DCB* dcb) {
    return backend().SetCommState(h, dcb);
}
BOOL GetCommState(HANDLE h, DCB* dcb) {
    return backend().GetCommState(h, dcb);
}
BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS* timeouts) {
    return backend().SetCommTimeouts(h, timeouts);
}
BOOL SetCommMask(HANDLE h, DWORD mask) {
    return backend().SetCommMask(h, mask);
}
BOOL WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED* ov) {
    return backend().WaitCommEvent(h, mask, ov);
}
BOOL ReadFile(HANDLE h, void* buf, DWORD count, DWORD* read, OVERLAPPED* ov) {
    return backend().ReadFile(h, buf, count, read, ov);
}
BOOL WriteFile(HANDLE h, const void* buf, DWORD count, DWORD* written, OVERLAPPED* ov) {
    return backend().WriteFile(h, buf, count, written, ov);
}
BOOL GetOverlappedResult(HANDLE h, OVERLAPPED* ov, DWORD* transferred, BOOL wait) {
    return backend().GetOverlappedResult(h, ov, transferred, wait);
}
BOOL ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat) {
    return backend().ClearCommError(h, errors, stat);
}
BOOL CancelIo(HANDLE h) {
    return backend().CancelIo(h);
}
BOOL CancelIoEx(HANDLE h, OVERLAPPED* ov) {
    return backend().CancelIoEx(h, ov);
}
BOOL GetDefaultCommConfigA(const std::string& name, COMMCONFIG* cc, DWORD* size) {
    return backend().GetDefaultCommConfigA(name, cc, size);
}
BOOL GetVersionExA(OSVERSIONINFOA* info) {
    return backend().GetVersionExA(info);
}
BOOL PurgeComm(HANDLE h, DWORD flags) {
    return backend().PurgeComm(h, flags);
}
BOOL SetCurrentThreadPriority(int priority) {
    return backend().SetCurrentThreadPriority(priority);
}
BOOL DeviceGone(HANDLE h) {
    return backend().DeviceGone(h);
}
void AbandonHandle(HANDLE h) {
    backend().AbandonHandle(h);
}

} // namespace comm

#include "Serial.h"

#include "SerThread.h"

#include <algorithm>

using namespace comm;

TSerial::TSerial() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    m_isNTPlatform = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    bindSlots(SlotKind::Closed);
}

TSerial::~TSerial() {
    Close();
}

// ----- property write rules

void TSerial::setActive(bool value) {
    if (value) {
        Open();
    } else {
        Close();
    }
}

void TSerial::setParityBit(TParityBit v) {
    m_parityBit = v;
    m_parityCheck = v != TParityBit::none;
}

void TSerial::setBufSizeTrm(std::int32_t v) {
    m_bufSizeTrm = std::max(v, 16);
}

void TSerial::setBufSizeRec(std::int32_t v) {
    m_bufSizeRec = std::max(v, 16);
    if (m_xOffLimit > m_bufSizeRec) {
        m_xOffLimit = m_bufSizeRec;
    }
    if (m_xOnLimit >= m_xOffLimit) {
        m_xOnLimit = m_xOffLimit - 1;
    }
}

void TSerial::setXOffLimit(std::int32_t v) {
    if (v <= m_xOnLimit) {
        v = m_xOnLimit + 1;
    }
    m_xOffLimit = std::min(v, m_bufSizeRec);
}

void TSerial::setXOnLimit(std::int32_t v) {
    if (v >= m_xOffLimit) {
        v = m_xOffLimit - 1;
    }
    m_xOnLimit = std::max(v, 0);
}

void TSerial::setDataSize(std::int32_t v) {
    m_dataSize = std::clamp(v, 0, m_bufSizeRec);
}

void TSerial::setRecTimeOut(std::int32_t v) {
    m_recTimeOut = std::max(v, 0);
}

void TSerial::setTrmTimeOut(std::int32_t v) {
    m_trmTimeOut = std::max(v, 0);
}

// ----- open and close

namespace {

// The failed step with the platform's reason, or its error number.
std::string failureOf(const char* step) {
    const std::string reason = LastErrorReason();
    return std::string(step) + ": " +
           (reason.empty() ? "Fehler " + std::to_string(GetLastError()) : reason);
}

std::string deviceName(std::int32_t port) {
    return port < 10 ? "COM" + std::to_string(port) : "\\\\.\\COM" + std::to_string(port);
}

// How the driver drives a modem output line (DTR or RTS, which share the codes): by the
// handshake, else held as the component sets it.
DWORD outputLineControl(bool handshake, bool active) {
    static_assert(DTR_CONTROL_HANDSHAKE == RTS_CONTROL_HANDSHAKE &&
                  DTR_CONTROL_ENABLE == RTS_CONTROL_ENABLE &&
                  DTR_CONTROL_DISABLE == RTS_CONTROL_DISABLE);
    return handshake ? DTR_CONTROL_HANDSHAKE : active ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
}

} // namespace

void TSerial::closeHandle() {
    CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

void TSerial::buildDcb() {
    const std::uint32_t rate = BaudRateValues[static_cast<int>(m_baudrate)];
    m_dcb.BaudRate = rate;
    m_dcb.ByteSize = static_cast<BYTE>(static_cast<int>(m_dataBits) + 4);
    m_dcb.Parity = static_cast<BYTE>(m_parityBit);
    m_dcb.StopBits = static_cast<BYTE>(m_stopBits);
    m_dcb.fBinary = 1;
    m_dcb.fParity = m_parityCheck;
    m_dcb.fOutxCtsFlow = m_handshakeRtsCts;
    m_dcb.fOutxDsrFlow = m_handshakeDtrDsr;
    m_dcb.fDtrControl = outputLineControl(m_handshakeDtrDsr, m_dtrActive);
    m_dcb.fDsrSensitivity = 0;
    m_dcb.fTXContinueOnXoff = m_continueOnXOff;
    m_dcb.fOutX = m_handshakeXOnXOff;
    m_dcb.fInX = m_handshakeXOnXOff;
    m_dcb.fErrorChar = m_useErrorChar;
    m_dcb.fNull = m_eliminateNullChar;
    m_dcb.fRtsControl = outputLineControl(m_handshakeRtsCts, m_rtsActive);
    m_dcb.fAbortOnError = m_abortOnError;
    m_dcb.fDummy2 = 0;
    m_dcb.XonLim = static_cast<WORD>(m_xOnLimit);
    m_dcb.XoffLim = static_cast<WORD>(m_xOffLimit);
    m_dcb.XonChar = static_cast<char>(m_xOnChar);
    m_dcb.XoffChar = static_cast<char>(m_xOffChar);
    m_dcb.ErrorChar = static_cast<char>(m_errorChar);
    m_dcb.EofChar = static_cast<char>(m_eofChar);
    m_dcb.EvtChar = static_cast<char>(m_eventChar);
}

void TSerial::applyTimeouts() {
    if (m_recTimeOut <= 0 && m_trmTimeOut <= 0) {
        return; // the driver keeps the timeouts it has
    }
    const DWORD perByte = std::max<DWORD>(10000 / BaudRateValues[static_cast<int>(m_baudrate)], 1);
    COMMTIMEOUTS t{};
    if (m_recTimeOut > 0) {
        t.ReadIntervalTimeout = static_cast<DWORD>(m_recTimeOut);
        t.ReadTotalTimeoutMultiplier = perByte;
        t.ReadTotalTimeoutConstant = static_cast<DWORD>(m_recTimeOut);
    }
    if (m_trmTimeOut > 0) {
        t.WriteTotalTimeoutMultiplier = perByte;
        t.WriteTotalTimeoutConstant = static_cast<DWORD>(m_trmTimeOut);
    }
    (void)SetCommTimeouts(m_handle, &t);
}

DWORD TSerial::eventMask() const {
    DWORD mask = 0;
    mask |= OnBreak ? EV_BREAK : 0;
    mask |= OnCts ? EV_CTS : 0;
    mask |= OnDsr ? EV_DSR : 0;
    mask |= OnError ? EV_ERR : 0;
    mask |= OnRing ? EV_RING : 0;
    mask |= OnDcd ? EV_RLSD : 0;
    mask |= (OnRxChar || OnData) ? EV_RXCHAR : 0;
    mask |= OnEventChar ? EV_RXFLAG : 0;
    mask |= OnTxEmpty ? EV_TXEMPTY : 0;
    return mask;
}

// Every failed step closes the handle and skips the rest; the caller learns the outcome from
// Active only.
bool TSerial::Open() {
    if (m_active || m_comPort <= 0) {
        return false;
    }
    m_openFailure.clear();
    m_handle = CreateFileA(deviceName(m_comPort), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, 0);
    if (m_handle == INVALID_HANDLE_VALUE) {
        m_openFailure = failureOf("CreateFile");
    } else {
        m_overlapped = OVERLAPPED{};
        m_readOverlapped = OVERLAPPED{};
        if (!SetupComm(m_handle, static_cast<DWORD>(m_bufSizeRec),
                       static_cast<DWORD>(m_bufSizeTrm))) {
            m_openFailure = failureOf("SetupComm");
            closeHandle();
        }
    }
    if (m_handle != INVALID_HANDLE_VALUE) {
        m_dcb.DCBlength = sizeof(DCB);
        const char* step = "BuildCommDCB";
        bool ok = BuildCommDCBA("baud=9600 parity=N data=8 stop=1", &m_dcb);
        if (ok) {
            buildDcb();
            step = "SetCommState";
            ok = SetCommState(m_handle, &m_dcb);
        }
        if (!ok) {
            m_openFailure = failureOf(step);
            closeHandle();
        }
    }
    if (m_handle != INVALID_HANDLE_VALUE) {
        applyTimeouts();
    }
    const DWORD mask = eventMask();
    if (m_handle != INVALID_HANDLE_VALUE && !SetCommMask(m_handle, mask)) {
        m_openFailure = failureOf("SetCommMask");
        closeHandle();
    }
    m_eventThread.reset();
    bindSlots(m_handle == INVALID_HANDLE_VALUE ? SlotKind::Closed
              : m_isNTPlatform                 ? SlotKind::Waiting
                                               : SlotKind::Immediate);
    m_active = m_handle != INVALID_HANDLE_VALUE;
    if (m_active) {
        COMManager().UpdateOwner(this);
    }
    // Last: a handler may run at once in the new thread, and it must find the component open.
    if (m_active && mask != 0) {
        startEventThread();
    }
    return m_active;
}

void TSerial::Close() {
    if (!m_active) {
        return;
    }
    stopEventThread();
    SetCommMask(m_handle, 0); // ends a wait that the event thread has pending
    endEventThread();
    // Output that flow control holds back (a cable that never raises CTS) would keep the
    // close waiting for the driver's drain time: it is dropped, as a Windows close does.
    PurgeComm(m_handle, PURGE_TXABORT | PURGE_TXCLEAR);
    completePendingWrite();
    closeHandle();
    bindSlots(SlotKind::Closed);
    m_active = false;
    COMManager().UpdateOwner(this);
}

// The device is gone: its handle is abandoned, not closed, and the registry, which is
// replacing its list right now, is not told. The backend still frees what it holds for the
// handle: a USB adapter whose device file stays open keeps its name, and a re-plugged one
// would come back under another.
void TSerial::PortRemoved() {
    if (!m_active) {
        return;
    }
    // The thread ends first: its handler may be inside a transfer on the handle, which
    // abandoning it would pull from under it.
    stopEventThread();
    endEventThread();
    AbandonHandle(m_handle);
    m_writePending = false;
    m_handle = INVALID_HANDLE_VALUE;
    bindSlots(SlotKind::Closed);
    m_active = false;
    // A copy: the handler may assign OnCOMRemoved itself.
    if (const TNotifyEvent removed = OnCOMRemoved) {
        removed(this);
    }
}

void TSerial::startEventThread() {
    m_eventThread = TSerThread::Start(*this, m_handle, m_threadPriority);
}

void TSerial::stopEventThread() {
    if (m_eventThread) {
        m_eventThread->Terminate();
    }
}

// Cancelling every transfer on the handle also ends the thread's wait where nothing else did
// (a port removal clears no mask).
void TSerial::endEventThread() {
    if (m_eventThread) {
        m_eventThread->WaitFor([handle = m_handle] { CancelIoEx(handle, nullptr); });
        m_eventThread.reset();
    }
}

// ----- settings record

TSerialSettings TSerial::GetSettings() const {
    TSerialSettings s;
    s.Valid = true;
    s.COMPort = m_comPort;
    s.Baudrate = static_cast<std::uint8_t>(m_baudrate);
    s.DataBits = static_cast<std::uint8_t>(m_dataBits);
    s.ParityBit = static_cast<std::uint8_t>(m_parityBit);
    s.StopBits = static_cast<std::uint8_t>(m_stopBits);
    s.BufSizeTrm = m_bufSizeTrm;
    s.BufSizeRec = m_bufSizeRec;
    s.HandshakeRtsCts = m_handshakeRtsCts;
    s.HandshakeDtrDsr = m_handshakeDtrDsr;
    s.HandshakeXOnXOff = m_handshakeXOnXOff;
    s.RTSActive = m_rtsActive;
    s.DTRActive = m_dtrActive;
    s.XOnChar = m_xOnChar;
    s.XOffChar = m_xOffChar;
    s.XOffLimit = m_xOffLimit;
    s.XOnLimit = m_xOnLimit;
    s.ErrorChar = m_errorChar;
    s.EofChar = m_eofChar;
    s.EventChar = m_eventChar;
    s.ContinueOnXOff = m_continueOnXOff;
    s.UseErrorChar = m_useErrorChar;
    s.EliminateNullChar = m_eliminateNullChar;
    s.AbortOnError = m_abortOnError;
    s.RecTimeOut = m_recTimeOut;
    s.TrmTimeOut = m_trmTimeOut;
    return s;
}

// Writes the fields through their write rules, in this order (so XOffLimit meets the present
// XOnLimit first). An ordinal that names no value (a record not made by GetSettings or
// TextToSettings) leaves its property as it is.
void TSerial::SetSettings(const TSerialSettings& s) {
    if (!s.Valid) {
        return;
    }
    setCOMPort(s.COMPort);
    if (s.Baudrate < kBaudrateCount) {
        setBaudrate(static_cast<TBaudrate>(s.Baudrate));
    }
    if (s.DataBits < kDataBitsCount) {
        setDataBits(static_cast<TDataBits>(s.DataBits));
    }
    if (s.ParityBit < kParityBitCount) {
        setParityBit(static_cast<TParityBit>(s.ParityBit));
    }
    if (s.StopBits < kStopBitsCount) {
        setStopBits(static_cast<TStopBits>(s.StopBits));
    }
    setBufSizeTrm(s.BufSizeTrm);
    setBufSizeRec(s.BufSizeRec);
    setHandshakeRtsCts(s.HandshakeRtsCts);
    setHandshakeDtrDsr(s.HandshakeDtrDsr);
    setHandshakeXOnXOff(s.HandshakeXOnXOff);
    setRTSActive(s.RTSActive);
    setDTRActive(s.DTRActive);
    setXOnChar(s.XOnChar);
    setXOffChar(s.XOffChar);
    setXOffLimit(s.XOffLimit);
    setXOnLimit(s.XOnLimit);
    setErrorChar(s.ErrorChar);
    setEofChar(s.EofChar);
    setEventChar(s.EventChar);
    setContinueOnXOff(s.ContinueOnXOff);
    setUseErrorChar(s.UseErrorChar);
    setEliminateNullChar(s.EliminateNullChar);
    setAbortOnError(s.AbortOnError);
    setRecTimeOut(s.RecTimeOut);
    setTrmTimeOut(s.TrmTimeOut);
}

std::string TSerial::SettingsToText(const TSerialSettings& settings) const {
    return settingstext::write(settings);
}

TSerialSettings TSerial::TextToSettings(const std::string& text) const {
    return settingstext::read(text, GetSettings());
}

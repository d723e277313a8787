#pragma once
// The serial port component. Includes the port registry and the settings record, which come with
// it.
// No Qt here: the layer builds for Windows and Linux against the comm API.
//
// Threads: everything is used from the GUI thread, except what the event thread of an open
// component with line-event handlers reads (the handlers, DataSize, EnableEvents,
// SyncEventHandling, InQueCount), which is safe against the GUI thread's writes. Close, port
// removal and destruction end that thread before the handle goes (see SerThread.h), aborting a
// transfer that one of its handlers has under way, so a handler never runs for a closed or
// destroyed component and never keeps a close waiting for the far end. Handlers that run in the
// event thread must not read while the GUI thread reads, nor write while it writes: all reads
// share one Overlapped record, all writes another.

#include "COMManager.h"
#include "EventSlot.h"
#include "SerialSettings.h"
#include "SerialTypes.h"
#include "comm/CommApi.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TSerThread;

// ---------------------------------------------------------------------------------------------
// Serial component

class TCustomSerial : public TObject {
public:
    TCustomSerial();
    ~TCustomSerial() override;
    TCustomSerial(const TCustomSerial&) = delete;
    TCustomSerial& operator=(const TCustomSerial&) = delete;

    bool Active() const { return m_active; }
    std::int32_t COMPort() const { return m_comPort; }
    void setCOMPort(std::int32_t port);
    comm::HANDLE Handle() const { return m_handle; }
    std::int32_t BufSizeTrm() const { return m_bufSizeTrm; }
    std::int32_t BufSizeRec() const { return m_bufSizeRec; }
    TThreadPriority ThreadPriority() const { return m_threadPriority; }
    void setThreadPriority(TThreadPriority p) { m_threadPriority = p; }

    TNotifyEvent OnCOMRemoved;

    void SelectPortIndex(int index);
    // Called by the registry only, when a rescan no longer finds the open port.
    virtual void PortRemoved();

protected:
    bool m_active = false;
    std::int32_t m_comPort = 0;
    comm::HANDLE m_handle = comm::INVALID_HANDLE_VALUE;
    std::int32_t m_bufSizeTrm = 2048;
    std::int32_t m_bufSizeRec = 2048;
    TThreadPriority m_threadPriority = TThreadPriority::tpNormal;
    // The record of the writes; reads have their own, so that a read never waits for a write
    // that is still under way.
    comm::OVERLAPPED m_overlapped{};
    comm::OVERLAPPED m_readOverlapped{};
    comm::DCB m_dcb{};
};

class TSerial : public TCustomSerial {
public:
    TSerial();
    ~TSerial() override;

    // Published properties, in declaration order (a stored layout writes them in this order).
    void setActive(bool value);
    TBaudrate Baudrate() const { return m_baudrate; }
    void setBaudrate(TBaudrate v) { m_baudrate = v; }
    TDataBits DataBits() const { return m_dataBits; }
    void setDataBits(TDataBits v) { m_dataBits = v; }
    TParityBit ParityBit() const { return m_parityBit; }
    void setParityBit(TParityBit v);
    TStopBits StopBits() const { return m_stopBits; }
    void setStopBits(TStopBits v) { m_stopBits = v; }
    void setBufSizeTrm(std::int32_t v);
    void setBufSizeRec(std::int32_t v);
    bool HandshakeRtsCts() const { return m_handshakeRtsCts; }
    void setHandshakeRtsCts(bool v) { m_handshakeRtsCts = v; }
    bool HandshakeDtrDsr() const { return m_handshakeDtrDsr; }
    void setHandshakeDtrDsr(bool v) { m_handshakeDtrDsr = v; }
    bool HandshakeXOnXOff() const { return m_handshakeXOnXOff; }
    void setHandshakeXOnXOff(bool v) { m_handshakeXOnXOff = v; }
    bool RTSActive() const { return m_rtsActive; }
    void setRTSActive(bool v) { m_rtsActive = v; }
    bool DTRActive() const { return m_dtrActive; }
    void setDTRActive(bool v) { m_dtrActive = v; }
    unsigned char XOnChar() const { return m_xOnChar; }
    void setXOnChar(unsigned char v) { m_xOnChar = v; }
    unsigned char XOffChar() const { return m_xOffChar; }
    void setXOffChar(unsigned char v) { m_xOffChar = v; }
    std::int32_t XOffLimit() const { return m_xOffLimit; }
    void setXOffLimit(std::int32_t v);
    std::int32_t XOnLimit() const { return m_xOnLimit; }
    void setXOnLimit(std::int32_t v);
    unsigned char ErrorChar() const { return m_errorChar; }
    void setErrorChar(unsigned char v) { m_errorChar = v; }
    unsigned char EofChar() const { return m_eofChar; }
    void setEofChar(unsigned char v) { m_eofChar = v; }
    unsigned char EventChar() const { return m_eventChar; }
    void setEventChar(unsigned char v) { m_eventChar = v; }
    // DataSize, EnableEvents and SyncEventHandling are read by the event thread while the GUI
    // thread may write them.
    std::int32_t DataSize() const { return m_dataSize; }
    void setDataSize(std::int32_t v);
    bool ParityCheck() const { return m_parityCheck; }
    bool ContinueOnXOff() const { return m_continueOnXOff; }
    void setContinueOnXOff(bool v) { m_continueOnXOff = v; }
    bool UseErrorChar() const { return m_useErrorChar; }
    void setUseErrorChar(bool v) { m_useErrorChar = v; }
    bool EliminateNullChar() const { return m_eliminateNullChar; }
    void setEliminateNullChar(bool v) { m_eliminateNullChar = v; }
    bool AbortOnError() const { return m_abortOnError; }
    void setAbortOnError(bool v) { m_abortOnError = v; }
    std::int32_t RecTimeOut() const { return m_recTimeOut; }
    void setRecTimeOut(std::int32_t v);
    std::int32_t TrmTimeOut() const { return m_trmTimeOut; }
    void setTrmTimeOut(std::int32_t v);
    bool SyncEventHandling() const { return m_syncEventHandling; }
    void setSyncEventHandling(bool v) { m_syncEventHandling = v; }
    bool EnableEvents() const { return m_enableEvents; }
    void setEnableEvents(bool v) { m_enableEvents = v; }
    bool SyncWait() const { return m_syncWait; }
    void setSyncWait(bool v) { m_syncWait = v; }

    bool IsNTPlatform() const { return m_isNTPlatform; }

    // Line events, called by the event thread (SerThread.h) with the component as Sender.
    TEventSlot OnBreak, OnCts, OnDsr, OnError, OnRing, OnDcd, OnRxChar, OnEventChar, OnTxEmpty,
        OnData;
    // The running event thread, or none.
    const std::shared_ptr<TSerThread>& EventThread() const { return m_eventThread; }

    // Transfers; each calls through its operation slot.
    std::string ReadString() { return m_readString(); }
    int WriteString(const std::string& text) { return m_writeString(text); }
    int ReadBuf(void* buffer, std::uint32_t count) { return m_readBuf(buffer, count); }
    int WriteBuf(const void* buffer, std::uint32_t count) { return m_writeBuf(buffer, count); }

    virtual bool Open();
    virtual void Close();
    // Why the last Open failed: the failing step and the platform's reason (e.g. a line setting
    // the platform cannot apply). Empty after an open that succeeded.
    const std::string& OpenFailure() const { return m_openFailure; }
    void QueueCounts(std::uint32_t& inQueue, std::uint32_t& outQueue);
    std::uint32_t InQueCount();
    void PortRemoved() override;

    virtual void SetSettings(const TSerialSettings& settings);
    virtual TSerialSettings GetSettings() const;
    virtual std::string SettingsToText(const TSerialSettings& settings) const;
    virtual TSerialSettings TextToSettings(const std::string& text) const;

    // Which implementation the slots are bound to (for tests and diagnostics).
    enum class SlotKind { Closed, Immediate, Waiting };
    SlotKind BoundSlots() const { return m_slotKind; }

protected:
    // The three implementations of each transfer: closed, immediate (the platform completes a
    // transfer when it likes; the result is taken as the call reports it) and waiting (a
    // pending transfer is completed with GetOverlappedResult, waiting when SyncWait is set).
    virtual std::string ReadStringClosed();
    virtual std::string ReadStringImmediate();
    virtual std::string ReadStringWaiting();
    virtual int WriteBufClosed(const void* buffer, std::uint32_t count);
    virtual int WriteBufImmediate(const void* buffer, std::uint32_t count);
    virtual int WriteBufWaiting(const void* buffer, std::uint32_t count);
    virtual int ReadBufClosed(void* buffer, std::uint32_t count);
    virtual int ReadBufImmediate(void* buffer, std::uint32_t count);
    virtual int ReadBufWaiting(void* buffer, std::uint32_t count);
    virtual int WriteStringClosed(const std::string& text);
    virtual int WriteStringImmediate(const std::string& text);
    virtual int WriteStringWaiting(const std::string& text);

private:
    void bindSlots(SlotKind kind);
    void buildDcb();
    void applyTimeouts();
    void closeHandle();
    comm::DWORD eventMask() const;
    std::string readString(bool wait);
    int readBuf(void* buffer, std::uint32_t count, bool wait);
    int write(const void* buffer, std::uint32_t count, bool wait);
    comm::DWORD finishPendingRead(bool wait);
    void completePendingWrite();
    // With no handler assigned (as in both programs) the mask is 0 and no thread runs.
    void startEventThread();
    // Asks a running event thread to end; the caller then wakes its wait and calls
    // endEventThread before the handle goes, which aborts the thread's transfers until it ended.
    void stopEventThread();
    void endEventThread();

    bool m_isNTPlatform = false;
    TBaudrate m_baudrate = TBaudrate::br_009600;
    TDataBits m_dataBits = TDataBits::db_8;
    TParityBit m_parityBit = TParityBit::none;
    TStopBits m_stopBits = TStopBits::sb_1;
    bool m_handshakeRtsCts = false;
    bool m_handshakeDtrDsr = false;
    bool m_handshakeXOnXOff = false;
    bool m_rtsActive = false;
    bool m_dtrActive = false;
    unsigned char m_xOnChar = 17;
    unsigned char m_xOffChar = 19;
    std::int32_t m_xOffLimit = 1600;
    std::int32_t m_xOnLimit = 400;
    unsigned char m_errorChar = '?';
    unsigned char m_eofChar = 26;
    unsigned char m_eventChar = 13;
    std::atomic<std::int32_t> m_dataSize{0};
    bool m_parityCheck = false;
    bool m_continueOnXOff = false;
    bool m_useErrorChar = false;
    bool m_eliminateNullChar = false;
    bool m_abortOnError = false;
    std::int32_t m_recTimeOut = 0;
    std::int32_t m_trmTimeOut = 0;
    std::atomic<bool> m_syncEventHandling{false};
    std::atomic<bool> m_enableEvents{true};
    bool m_syncWait = true;

    std::string m_openFailure;
    std::shared_ptr<TSerThread> m_eventThread;
    // The bytes of a write that runs on after it returned (SyncWait off).
    std::string m_writeBuffer;
    bool m_writePending = false;

    std::function<std::string()> m_readString;
    std::function<int(const void*, std::uint32_t)> m_writeBuf;
    std::function<int(void*, std::uint32_t)> m_readBuf;
    std::function<int(const std::string&)> m_writeString;
    SlotKind m_slotKind = SlotKind::Closed;
};

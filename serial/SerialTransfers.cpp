// The component's transfers. Reads share one Overlapped record and writes another, so a read
// never waits for a write that was let run on; that write is completed before the next write
// and at the close. None returns while the platform may still use memory that belongs to the
// caller.
#include "Serial.h"

#include <algorithm>

using namespace comm;

void TSerial::bindSlots(SlotKind kind) {
    m_slotKind = kind;
    switch (kind) {
    case SlotKind::Closed:
        m_readString = [this] { return ReadStringClosed(); };
        m_writeBuf = [this](const void* b, std::uint32_t n) { return WriteBufClosed(b, n); };
        m_readBuf = [this](void* b, std::uint32_t n) { return ReadBufClosed(b, n); };
        m_writeString = [this](const std::string& t) { return WriteStringClosed(t); };
        break;
    case SlotKind::Immediate:
        m_readString = [this] { return ReadStringImmediate(); };
        m_writeBuf = [this](const void* b, std::uint32_t n) { return WriteBufImmediate(b, n); };
        m_readBuf = [this](void* b, std::uint32_t n) { return ReadBufImmediate(b, n); };
        m_writeString = [this](const std::string& t) { return WriteStringImmediate(t); };
        break;
    case SlotKind::Waiting:
        m_readString = [this] { return ReadStringWaiting(); };
        m_writeBuf = [this](const void* b, std::uint32_t n) { return WriteBufWaiting(b, n); };
        m_readBuf = [this](void* b, std::uint32_t n) { return ReadBufWaiting(b, n); };
        m_writeString = [this](const std::string& t) { return WriteStringWaiting(t); };
        break;
    }
}

void TSerial::QueueCounts(std::uint32_t& inQueue, std::uint32_t& outQueue) {
    inQueue = 0;
    outQueue = 0;
    if (!m_active) {
        return;
    }
    DWORD errors = 0; // discarded; the call also clears the port's error state
    COMSTAT status{};
    if (ClearCommError(m_handle, &errors, &status)) {
        inQueue = status.cbInQue;
        outQueue = status.cbOutQue;
    }
}

std::uint32_t TSerial::InQueCount() {
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    QueueCounts(in, out);
    return in;
}

// Completes a read that the platform reported as pending. When the caller does not want to
// wait and the read is still running, it is cancelled (that read alone, not a write under way):
// either way it is over before this returns, so the platform never writes into memory that the
// caller has been given back.
DWORD TSerial::finishPendingRead(bool wait) {
    DWORD done = 0;
    if (GetOverlappedResult(m_handle, &m_readOverlapped, &done, wait)) {
        return done;
    }
    if (GetLastError() != ERROR_IO_INCOMPLETE) {
        return done;
    }
    CancelIoEx(m_handle, &m_readOverlapped);
    done = 0;
    GetOverlappedResult(m_handle, &m_readOverlapped, &done, 1);
    return done;
}

// A write that was let run on uses the write record and the component's buffer; the next
// write or the close waits for it first.
void TSerial::completePendingWrite() {
    if (!m_writePending) {
        return;
    }
    m_writePending = false;
    DWORD done = 0;
    GetOverlappedResult(m_handle, &m_overlapped, &done, 1);
}

// Only the bytes already waiting are asked for, so this never waits for more. The result is
// cut to what the read delivered: a read that ends early must not hand back bytes it never
// wrote.
std::string TSerial::readString(bool wait) {
    const DWORD waiting = InQueCount();
    if (waiting == 0) {
        return {};
    }
    std::string text(waiting, '\0');
    DWORD read = 0;
    if (!ReadFile(m_handle, text.data(), waiting, &read, &m_readOverlapped) &&
        GetLastError() == ERROR_IO_PENDING) {
        read = finishPendingRead(wait);
    }
    text.resize(std::min(read, waiting));
    return text;
}

int TSerial::readBuf(void* buffer, std::uint32_t count, bool wait) {
    if (count == 0) {
        return 0;
    }
    const DWORD asked = m_syncWait ? count : std::min<DWORD>(count, InQueCount());
    DWORD read = 0;
    if (!ReadFile(m_handle, buffer, asked, &read, &m_readOverlapped) &&
        GetLastError() == ERROR_IO_PENDING) {
        read = finishPendingRead(wait);
    }
    return static_cast<int>(std::min(read, asked));
}

// Without waiting, the bytes are copied into the component's own buffer first: the write may
// still be running when this returns, and the caller may free or reuse its memory at once. The
// count is then what was handed over for sending.
int TSerial::write(const void* buffer, std::uint32_t count, bool wait) {
    completePendingWrite();
    const void* bytes = buffer;
    if (!wait) {
        m_writeBuffer.assign(static_cast<const char*>(buffer), count);
        bytes = m_writeBuffer.data();
    }
    DWORD written = 0;
    if (!WriteFile(m_handle, bytes, count, &written, &m_overlapped) &&
        GetLastError() == ERROR_IO_PENDING) {
        if (!GetOverlappedResult(m_handle, &m_overlapped, &written, wait) && !wait &&
            GetLastError() == ERROR_IO_INCOMPLETE) {
            m_writePending = true;
            written = count;
        }
    }
    return static_cast<int>(std::min(written, count));
}

std::string TSerial::ReadStringClosed() {
    return {};
}
std::string TSerial::ReadStringImmediate() {
    return readString(false);
}
std::string TSerial::ReadStringWaiting() {
    return readString(m_syncWait);
}

int TSerial::WriteBufClosed(const void*, std::uint32_t) {
    return 0;
}
int TSerial::WriteBufImmediate(const void* buffer, std::uint32_t count) {
    return write(buffer, count, false);
}
int TSerial::WriteBufWaiting(const void* buffer, std::uint32_t count) {
    return write(buffer, count, m_syncWait);
}

int TSerial::ReadBufClosed(void*, std::uint32_t) {
    return 0;
}
int TSerial::ReadBufImmediate(void* buffer, std::uint32_t count) {
    return readBuf(buffer, count, false);
}
int TSerial::ReadBufWaiting(void* buffer, std::uint32_t count) {
    return readBuf(buffer, count, m_syncWait);
}

int TSerial::WriteStringClosed(const std::string&) {
    return 0;
}
int TSerial::WriteStringImmediate(const std::string& text) {
    return write(text.data(), static_cast<std::uint32_t>(text.size()), false);
}
int TSerial::WriteStringWaiting(const std::string& text) {
    return write(text.data(), static_cast<std::uint32_t>(text.size()), m_syncWait);
}

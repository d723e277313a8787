#pragma once
// A line-event handler of the serial component. The GUI thread assigns it while the event
// thread may be about to call it, so it is guarded; and it is always called through a copy, so
// a handler that assigns its own event (or closes or destroys its component) while it runs
// does not pull the function it is executing from under itself.

#include "SerialTypes.h"

#include <mutex>
#include <utility>

class TEventSlot {
public:
    TEventSlot() = default;
    TEventSlot(const TEventSlot&) = delete;

    TEventSlot& operator=(TNotifyEvent handler) {
        std::lock_guard lock(m_mutex);
        m_handler.swap(handler);
        return *this; // the old handler is destroyed outside the lock
    }
    TEventSlot& operator=(const TEventSlot& other) { return *this = other.get(); }

    explicit operator bool() const {
        std::lock_guard lock(m_mutex);
        return static_cast<bool>(m_handler);
    }
    TNotifyEvent get() const {
        std::lock_guard lock(m_mutex);
        return m_handler;
    }
    // Calls a copy of the handler, if one is assigned.
    void operator()(TObject* sender) const {
        if (const TNotifyEvent handler = get()) {
            handler(sender);
        }
    }

private:
    mutable std::mutex m_mutex;
    TNotifyEvent m_handler;
};

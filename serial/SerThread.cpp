#include "SerThread.h"

#include "GuiDispatcher.h"
#include "Serial.h"

#include <chrono>
#include <cstdio>
#include <exception>

using namespace comm;

// One call of DispatchEvents that the worker has handed to the GUI thread.
struct TSerThread::GuiCall {
    enum class State { Queued, Running, Done, Dropped };
    std::mutex mutex;
    std::condition_variable changed;
    State state = State::Queued;
};

namespace {

struct EventRow {
    DWORD bit;
    TEventSlot TSerial::*handler;
};

// The order in which one cycle calls the handlers. OnData has its own condition.
constexpr EventRow kEvents[] = {
    {EV_BREAK, &TSerial::OnBreak},      {EV_CTS, &TSerial::OnCts},
    {EV_DSR, &TSerial::OnDsr},          {EV_ERR, &TSerial::OnError},
    {EV_RING, &TSerial::OnRing},        {EV_RLSD, &TSerial::OnDcd},
    {EV_RXCHAR, &TSerial::OnRxChar},    {EV_RXCHAR, &TSerial::OnData},
    {EV_RXFLAG, &TSerial::OnEventChar}, {EV_TXEMPTY, &TSerial::OnTxEmpty},
};

// How often a close repeats aborting the transfers of a thread that has not ended yet.
constexpr auto kAbortAgain = std::chrono::milliseconds(10);

} // namespace

int TSerThread::PlatformPriority(TThreadPriority priority) {
    switch (priority) {
    case TThreadPriority::tpIdle:
        return THREAD_PRIORITY_IDLE;
    case TThreadPriority::tpLowest:
        return THREAD_PRIORITY_LOWEST;
    case TThreadPriority::tpLower:
        return THREAD_PRIORITY_BELOW_NORMAL;
    case TThreadPriority::tpNormal:
        return THREAD_PRIORITY_NORMAL;
    case TThreadPriority::tpHigher:
        return THREAD_PRIORITY_ABOVE_NORMAL;
    case TThreadPriority::tpHighest:
        return THREAD_PRIORITY_HIGHEST;
    case TThreadPriority::tpTimeCritical:
        return THREAD_PRIORITY_TIME_CRITICAL;
    }
    return THREAD_PRIORITY_NORMAL;
}

TSerThread::TSerThread(TSerial& component, HANDLE handle)
    : m_component(&component), m_handle(handle) {}

TSerThread::~TSerThread() {
    // Only a thread that was let go ends here, in its own body.
    if (m_thread.joinable()) {
        m_thread.detach();
    }
}

std::shared_ptr<TSerThread> TSerThread::Start(TSerial& component, HANDLE handle,
                                              TThreadPriority priority) {
    std::shared_ptr<TSerThread> thread(new TSerThread(component, handle));
    const int level = PlatformPriority(priority);
    // The body holds the object, so a thread that was let go frees it when it ends.
    thread->m_thread = std::thread([self = thread, level] {
        SetCurrentThreadPriority(level);
        self->Execute();
    });
    return thread;
}

void TSerThread::Terminate() {
    m_terminated = true;
    std::shared_ptr<GuiCall> call;
    {
        std::lock_guard lock(m_mutex);
        call = m_call;
    }
    m_wake.notify_all();
    if (call) {
        // Taking the call's lock orders the flag before the worker's next look at it.
        { std::lock_guard lock(call->mutex); }
        call->changed.notify_all();
    }
}

void TSerThread::WaitFor(const std::function<void()>& abortTransfers) {
    if (!m_thread.joinable()) {
        return;
    }
    if (m_thread.get_id() == std::this_thread::get_id() ||
        m_dispatcher.load() == std::this_thread::get_id()) {
        m_thread.detach();
        return;
    }
    std::unique_lock lock(m_mutex);
    do {
        lock.unlock();
        if (abortTransfers) {
            abortTransfers();
        }
        lock.lock();
    } while (!m_wake.wait_for(lock, kAbortAgain, [this] { return m_ended; }));
    lock.unlock();
    m_thread.join();
}

void TSerThread::Execute() {
    run();
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    m_wake.notify_all();
}

void TSerThread::run() {
    while (!m_terminated) {
        DWORD mask = 0;
        if (!WaitCommEvent(m_handle, &mask, nullptr)) {
            pauseAfterFailedWait();
            continue;
        }
        m_eventMask = mask;
        if (m_terminated || mask == 0) {
            continue;
        }
        if (m_component->SyncEventHandling() && GuiDispatcher().post) {
            dispatchInGuiThread();
        } else {
            dispatchHere(false);
        }
    }
}

// A wait that fails at once (a vanished device on some platforms) must not spin.
void TSerThread::pauseAfterFailedWait() {
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_terminated.load(); });
}

void TSerThread::dispatchInGuiThread() {
    auto call = std::make_shared<GuiCall>();
    {
        std::lock_guard lock(m_mutex);
        m_call = call;
    }
    GuiDispatcher().post([self = shared_from_this(), call] {
        {
            std::lock_guard lock(call->mutex);
            if (call->state != GuiCall::State::Queued) {
                return; // given up by a close
            }
            call->state = GuiCall::State::Running;
        }
        self->dispatchHere(true);
        {
            std::lock_guard lock(call->mutex);
            call->state = GuiCall::State::Done;
        }
        call->changed.notify_all();
    });
    {
        std::unique_lock lock(call->mutex);
        call->changed.wait(lock, [&] {
            return call->state == GuiCall::State::Done ||
                   (call->state == GuiCall::State::Queued && m_terminated);
        });
        if (call->state == GuiCall::State::Queued) {
            call->state = GuiCall::State::Dropped;
        }
    }
    std::lock_guard lock(m_mutex);
    m_call.reset();
}

void TSerThread::dispatchHere(bool inGuiThread) {
    m_dispatcher = std::this_thread::get_id();
    try {
        DispatchEvents();
    } catch (const std::exception& e) {
        report(e.what(), inGuiThread);
    } catch (...) {
        report("Unbekannter Fehler", inGuiThread);
    }
    m_dispatcher = std::thread::id();
}

// Once a handler has closed or destroyed the component, nothing more of it is touched.
void TSerThread::DispatchEvents() {
    if (m_terminated || !m_component->EnableEvents()) {
        return;
    }
    const DWORD mask = m_eventMask;
    for (const EventRow& row : kEvents) {
        if (!(mask & row.bit)) {
            continue;
        }
        if (row.handler == &TSerial::OnData) {
            const std::int32_t size = m_component->DataSize();
            if (size <= 0 || m_component->InQueCount() < static_cast<std::uint32_t>(size)) {
                continue;
            }
        }
        if (const TNotifyEvent handler = (m_component->*row.handler).get()) {
            handler(m_component);
            if (m_terminated) {
                return;
            }
        }
    }
}

void TSerThread::report(const std::string& what, bool inGuiThread) {
    std::fprintf(stderr, "serial: an event handler failed: %s\n", what.c_str());
    if (inGuiThread) {
        if (const auto reportError = GuiDispatcher().reportError) {
            reportError(what);
        }
    }
}

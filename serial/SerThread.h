#pragma once
// The line-event thread of an open serial component: waits for the events of the port's mask
// and calls the component's handlers, in this thread or (SyncEventHandling) in the GUI thread.
//
// Contract with the component:
// - Start() is called by the open with the open handle; the thread keeps that handle for its
//   whole life and reads the component only to dispatch.
// - Terminate() only sets the request (and gives up a GUI call not yet begun); the component
//   then wakes the pending wait (SetCommMask 0 at a close) and calls WaitFor() before the
//   handle goes. WaitFor() aborts the transfers on the handle until the thread has ended: a
//   handler may be inside a read or write that only the far end would end, and may start
//   another one after the first was aborted. After WaitFor() the thread never touches the
//   component again.
// - WaitFor() from inside a handler (the thread that is dispatching) cannot join: the thread is
//   let go instead, and it ends without touching the component once the handler returns.
// - A handler that throws ends its cycle; the error is reported once (stderr, and the
//   toolkit's error report when the handler ran in the GUI thread) and the thread waits on.

#include "SerialTypes.h"
#include "comm/CommApi.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class TSerial;

class TSerThread : public std::enable_shared_from_this<TSerThread> {
public:
    static std::shared_ptr<TSerThread> Start(TSerial& component, comm::HANDLE handle,
                                             TThreadPriority priority);
    ~TSerThread();
    TSerThread(const TSerThread&) = delete;
    TSerThread& operator=(const TSerThread&) = delete;

    void Terminate();
    bool Terminated() const { return m_terminated; }
    // Calls abortTransfers, and again every few milliseconds until the thread has ended, then
    // joins it; lets it go instead when called from the dispatching thread.
    void WaitFor(const std::function<void()>& abortTransfers);

    // The events that the last wait reported.
    comm::DWORD EventMask() const { return m_eventMask; }

    // SetThreadPriority's level for a priority.
    static int PlatformPriority(TThreadPriority priority);

private:
    struct GuiCall;
    TSerThread(TSerial& component, comm::HANDLE handle);

    void Execute();
    void run();
    void dispatchInGuiThread();
    void dispatchHere(bool inGuiThread);
    void DispatchEvents();
    void report(const std::string& what, bool inGuiThread);
    void pauseAfterFailedWait();

    TSerial* const m_component;
    const comm::HANDLE m_handle;
    std::atomic<comm::DWORD> m_eventMask{0};
    std::atomic<bool> m_terminated{false};
    // The thread now calling handlers (the worker, or the GUI thread during a GUI call).
    std::atomic<std::thread::id> m_dispatcher{};

    std::mutex m_mutex; // guards m_call and m_ended; with m_wake, lets Terminate end a pause
    std::condition_variable m_wake;
    std::shared_ptr<GuiCall> m_call;
    bool m_ended = false; // the body has returned
    std::thread m_thread;
};

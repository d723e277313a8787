#pragma once
// How the serial layer reaches the GUI thread without knowing the windowing toolkit. Its Qt
// edge (serial/qt/SerialDispatcher.h) installs a dispatcher at program start; the event thread of a
// component with SyncEventHandling uses it to run the handlers in the GUI thread while it waits,
// and to hand a failing handler's error to the toolkit's error report.

#include <functional>
#include <string>

struct TGuiDispatcher {
    // Queues the function to run on the GUI thread and returns at once. Called from worker
    // threads. The function may be dropped if the GUI thread is gone; it then never runs.
    std::function<void(std::function<void()>)> post;
    // The toolkit's default error report: shows the text and lets the program run on. Called
    // on the GUI thread.
    std::function<void(const std::string& text)> reportError;
};

// Installs the dispatcher; an empty one (the start state) removes it. Without a dispatcher a
// component's handlers run in its event thread even when SyncEventHandling is set.
void InstallGuiDispatcher(TGuiDispatcher dispatcher);
// The dispatcher in force (a copy; empty functions when none is installed).
TGuiDispatcher GuiDispatcher();

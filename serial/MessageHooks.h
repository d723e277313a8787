#pragma once
// The main window's message hook chain. Objects that want to see the window messages of the
// application's main window (the port registry wants the device-change broadcasts) register a
// hook here; the windowing layer hands every such message to DispatchMainWindowMessage on the
// GUI thread. No toolkit here: the serial layer stays free of Qt.

#include "comm/CommApi.h"

#include <functional>

// A message as the hook chain hands it on: WM_DEVICECHANGE with the event and the device type
// of the broadcast header it points to.
struct TMessage {
    unsigned Msg = 0;
    comm::DWORD WParam = 0;     // the event, e.g. DBT_DEVICEARRIVAL
    comm::DWORD DeviceType = 0; // dbch_devicetype of the broadcast header
    bool Result = false;        // handled
};

// Returns true when it handled the message; later hooks then do not see it.
using TWindowHook = std::function<bool(TMessage&)>;

// Registers a hook under a key (normally the registering object). Hooks are called in the order
// they were registered.
void HookMainWindow(const void* key, TWindowHook hook);
// Removes the hook of that key; also safe while a message is being dispatched.
void UnhookMainWindow(const void* key);
// Hands the message to every hook in turn until one handles it; returns whether one did.
bool DispatchMainWindowMessage(TMessage& message);

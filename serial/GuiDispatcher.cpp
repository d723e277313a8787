#include "GuiDispatcher.h"

#include <mutex>

namespace {

std::mutex g_mutex;
TGuiDispatcher g_dispatcher;

} // namespace

void InstallGuiDispatcher(TGuiDispatcher dispatcher) {
    std::lock_guard lock(g_mutex);
    g_dispatcher = std::move(dispatcher);
}

TGuiDispatcher GuiDispatcher() {
    std::lock_guard lock(g_mutex);
    return g_dispatcher;
}

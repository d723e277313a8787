#include "MessageHooks.h"

#include <vector>

namespace {

struct HookEntry {
    const void* key;
    TWindowHook hook;
};

std::vector<HookEntry>& hooks() {
    static std::vector<HookEntry> list;
    return list;
}

} // namespace

void HookMainWindow(const void* key, TWindowHook hook) {
    hooks().push_back({key, std::move(hook)});
}

void UnhookMainWindow(const void* key) {
    auto& list = hooks();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->key == key) {
            list.erase(it);
            return;
        }
    }
}

bool DispatchMainWindowMessage(TMessage& message) {
    // A hook may unhook itself or others while it runs; only hooks still registered when their
    // turn comes are called.
    std::vector<const void*> keys;
    for (const auto& e : hooks()) {
        keys.push_back(e.key);
    }
    for (const void* key : keys) {
        TWindowHook hook;
        for (const auto& e : hooks()) {
            if (e.key == key) {
                hook = e.hook;
                break;
            }
        }
        if (hook && hook(message)) {
            return true;
        }
    }
    return false;
}

#pragma once
// A registry over a port folder of its own with a pty as COM1 (COM2..COM4 absent), installed
// while the world lives, so a failing test leaves no registry of a dead world behind. POSIX.

#include "common/PtyPort.h"
#include "serial/COMManager.h"

#include <memory>

namespace testsupport {

struct PtyWorld {
    PtyWorld() {
        com1 = std::make_unique<PtyPort>(folder, 1);
        registry = std::make_unique<TCOMManager>();
        installCOMManager(registry.get());
    }
    ~PtyWorld() { installCOMManager(nullptr); }
    PtyWorld(const PtyWorld&) = delete;
    PtyWorld& operator=(const PtyWorld&) = delete;

    PortFolder folder{4};
    std::unique_ptr<PtyPort> com1; // the test may unplug it and publish a new one
    std::unique_ptr<TCOMManager> registry;
};

} // namespace testsupport

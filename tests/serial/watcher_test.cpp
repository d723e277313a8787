// Device changes on POSIX: links and pseudo-terminals that come and go become port arrival
// and removal broadcasts, and those reach the registry through the main window's hook chain.
#include "PtyWorld.h"
#include "serial/Serial.h"
#include "serial/comm/posix/DeviceWatcher.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>

using namespace std::chrono_literals;
using comm::posix::DeviceBroadcast;
using comm::posix::DeviceWatcher;
using testsupport::PortFolder;
using testsupport::PtyPort;
using testsupport::PtyWorld;

namespace {

// Waits (bounded) until the watcher hands out broadcasts; returns their events.
std::vector<comm::DWORD> waitForBroadcasts(DeviceWatcher& watcher,
                                           std::chrono::milliseconds limit = 3s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{watcher.fd(), POLLIN, 0};
        ::poll(&p, 1, 50);
        std::vector<comm::DWORD> events;
        for (const DeviceBroadcast& b : watcher.takePendingBroadcasts()) {
            EXPECT_EQ(b.deviceType, comm::DBT_DEVTYP_PORT);
            events.push_back(b.event);
        }
        if (!events.empty()) {
            return events;
        }
    }
    return {};
}

// Hands the watcher's broadcasts to the hook chain until done() holds (bounded).
template <typename Done> bool deliverUntil(DeviceWatcher& watcher, Done done) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!done() && std::chrono::steady_clock::now() < end) {
        for (comm::DWORD event : waitForBroadcasts(watcher, 200ms)) {
            TMessage m{comm::WM_DEVICECHANGE, event, comm::DBT_DEVTYP_PORT};
            DispatchMainWindowMessage(m);
        }
    }
    return done();
}

// These two watch the port folder only: /dev/pts is shared with every other program that opens
// a terminal and never quiet.
TEST(DeviceWatcher, ABurstOfNewPortsIsReportedOnceAfterAQuietMoment) {
    PortFolder folder;
    DeviceWatcher watcher(100ms, {folder.path()});
    ASSERT_GE(watcher.fd(), 0);
    EXPECT_TRUE(watcher.takePendingBroadcasts().empty());

    auto com5 = std::make_unique<PtyPort>(folder, 5);
    auto com6 = std::make_unique<PtyPort>(folder, 6);
    auto com7 = std::make_unique<PtyPort>(folder, 7);
    EXPECT_EQ(waitForBroadcasts(watcher), std::vector<comm::DWORD>{comm::DBT_DEVICEARRIVAL});
    EXPECT_TRUE(waitForBroadcasts(watcher, 300ms).empty());

    com5->unplug();
    com6->unplug();
    EXPECT_EQ(waitForBroadcasts(watcher), std::vector<comm::DWORD>{comm::DBT_DEVICEREMOVECOMPLETE});
}

TEST(DeviceWatcher, AQuickReplugStillReportsTheRemovalFirst) {
    PortFolder folder;
    auto port = std::make_unique<PtyPort>(folder, 6);
    DeviceWatcher watcher(200ms, {folder.path()});
    port->unplug();
    port = std::make_unique<PtyPort>(folder, 6);
    std::vector<comm::DWORD> events = waitForBroadcasts(watcher);
    const auto more = waitForBroadcasts(watcher, 500ms);
    events.insert(events.end(), more.begin(), more.end());
    EXPECT_EQ(events,
              (std::vector<comm::DWORD>{comm::DBT_DEVICEREMOVECOMPLETE, comm::DBT_DEVICEARRIVAL}));
}

TEST(DeviceWatcher, UnpluggingAnOpenPortClosesItsComponentThroughTheHookChain) {
    PtyWorld world;
    // Only the port folder: pseudo-terminals that other tests open meanwhile must not add
    // broadcasts of their own.
    DeviceWatcher watcher(50ms, {world.folder.path()});
    {
        TSerial serial;
        ASSERT_TRUE(serial.Open());
        bool removed = false;
        int arrivals = 0;
        serial.OnCOMRemoved = [&](TObject*) { removed = true; };
        world.registry->OnCOMArrival = [&](TObject*) { ++arrivals; };

        world.com1->unplug();
        EXPECT_TRUE(deliverUntil(watcher, [&] { return removed; }));
        EXPECT_FALSE(serial.Active());
        EXPECT_EQ(world.registry->Count(), 0);

        // Plugged in again: the registry lists it and the component can open it anew.
        world.com1 = std::make_unique<PtyPort>(world.folder, 1);
        EXPECT_TRUE(deliverUntil(watcher, [&] { return world.registry->HasPort(1); }));
        EXPECT_EQ(arrivals, 1);
        EXPECT_TRUE(serial.Open());
        EXPECT_EQ(serial.WriteString("again"), 5);
        EXPECT_EQ(world.com1->read(5, 2000), "again");
    }
}

// Pulled and plugged in again within the quiet time: the rescan finds the number present, yet
// the component's handle belongs to the device that went; it closes and opens the new one.
TEST(DeviceWatcher, AQuickReplugClosesTheOwnerThroughTheHookChain) {
    PtyWorld world;
    DeviceWatcher watcher(200ms, {world.folder.path()});
    {
        TSerial serial;
        int removed = 0;
        serial.OnCOMRemoved = [&](TObject*) { ++removed; };
        ASSERT_TRUE(serial.Open());
        world.com1->unplug();
        world.com1 = std::make_unique<PtyPort>(world.folder, 1);
        EXPECT_TRUE(deliverUntil(watcher, [&] { return removed == 1; }));
        EXPECT_FALSE(serial.Active());
        EXPECT_TRUE(world.registry->HasPort(1));
        ASSERT_TRUE(serial.Open());
        EXPECT_EQ(serial.WriteString("new"), 3);
        EXPECT_EQ(world.com1->read(3, 2000), "new");
    }
}

// A far end that dies takes its device node with it, so the registry closes the component even
// though the link stays.
TEST(DeviceWatcher, AFarEndThatDiesClosesItsComponentAsWell) {
    PtyWorld world;
    DeviceWatcher watcher(50ms);
    {
        TSerial serial;
        ASSERT_TRUE(serial.Open());
        world.com1->closeMaster();
        EXPECT_EQ(serial.ReadString(), "");
        EXPECT_TRUE(deliverUntil(watcher, [&] { return !serial.Active(); }));
        // The released pty's number may already serve a pty of a test running beside this one,
        // so COM1 may be listed again; it must no longer belong to the closed component.
        const int index = world.registry->IndexOfPort(1);
        if (index >= 0) {
            EXPECT_EQ(world.registry->Entry(index).Owner, nullptr);
        }
    }
}

} // namespace

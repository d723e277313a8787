// The port registry, its device-change hook and the main window's hook chain.
#include "FakeComm.h"
#include "serial/Serial.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace comm;

namespace {

std::vector<std::string> probedNames(const FakeComm& comm) {
    std::vector<std::string> names;
    for (const auto& c : comm.calls) {
        if (c.name == "GetDefaultCommConfig") {
            names.push_back(c.text);
        }
    }
    return names;
}

std::vector<std::string> portNames(const TCOMManager& r) {
    std::vector<std::string> names;
    for (int i = 0; i < r.Count(); ++i) {
        names.push_back(r.Name(i));
    }
    return names;
}

TMessage deviceChange(DWORD event, DWORD type = DBT_DEVTYP_PORT) {
    return TMessage{WM_DEVICECHANGE, event, type};
}

TEST(Registry, CreationProbesTheFirstFourPortsWithAFullConfigBuffer) {
    FakeComm comm;
    comm.addPorts({1, 3, 6});
    TCOMManager r;
    EXPECT_EQ(probedNames(comm), (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
    EXPECT_EQ(comm.calls[0].args[0], 52);
    EXPECT_EQ(r.ProbedUpTo(), 4);
    EXPECT_EQ(portNames(r), (std::vector<std::string>{"COM1", "COM3"}));
    EXPECT_EQ(r.IndexOfPort(3), 1);
    EXPECT_EQ(r.IndexOfPort(2), -1);
    EXPECT_FALSE(r.HasPort(2));
    EXPECT_TRUE(r.HasPort(1));
    EXPECT_EQ(r.Entry(1).PortNumber, 3);
    EXPECT_EQ(r.Entry(1).Owner, nullptr);
}

TEST(Registry, ScanPortsOnlyExtendsTheProbedRange) {
    FakeComm comm;
    comm.addPorts({6});
    TCOMManager r;
    r.ScanPorts(9);
    EXPECT_EQ(r.ProbedUpTo(), 9);
    EXPECT_EQ(portNames(r), std::vector<std::string>{"COM6"});
    comm.clear();
    r.ScanPorts(3);
    r.ScanPorts(9);
    EXPECT_TRUE(comm.calls.empty());
    EXPECT_EQ(r.ProbedUpTo(), 9);

    r.ScanPorts(150);
    EXPECT_EQ(r.ProbedUpTo(), 99);
    const auto names = probedNames(comm);
    ASSERT_EQ(names.size(), 2u * 90); // every number tried plain, then with the device prefix
    EXPECT_EQ(names.front(), "COM10");
    EXPECT_EQ(names[1], "\\\\.\\COM10");
    EXPECT_EQ(names.back(), "\\\\.\\COM99");
}

TEST(Registry, PortsFoundOnlyByTheirDeviceNameAreListedWithoutThePrefix) {
    FakeComm comm;
    comm.presentNames = {"\\\\.\\COM12", "COM40"};
    TCOMManager r;
    r.ScanPorts(50);
    EXPECT_EQ(portNames(r), (std::vector<std::string>{"COM12", "COM40"}));
    EXPECT_EQ(r.IndexOfPort(40), 1);
}

TEST(Registry, RescanKeepsOwnersOfPortsThatStayAndReportsChanges) {
    FakeSerialWorld world{1, 2};
    TSerial s;
    s.setCOMPort(2);
    ASSERT_TRUE(s.Open());
    EXPECT_FALSE(world.registry->Rescan());
    EXPECT_EQ(world.registry->Entry(1).Owner, &s);

    world.comm.addPorts({3});
    EXPECT_TRUE(world.registry->Rescan());
    EXPECT_EQ(portNames(*world.registry), (std::vector<std::string>{"COM1", "COM2", "COM3"}));
    EXPECT_EQ(world.registry->Entry(1).Owner, &s);
    EXPECT_TRUE(s.Active());

    // A port above the probed range is not looked for.
    world.comm.addPorts({7});
    EXPECT_FALSE(world.registry->Rescan());
    EXPECT_FALSE(world.registry->HasPort(7));
}

TEST(Registry, RemovalClosesTheOwnerBeforeTheRegistryEventFires) {
    FakeSerialWorld world{1, 2};
    TSerial s;
    ASSERT_TRUE(s.Open());
    std::vector<std::string> order;
    s.OnCOMRemoved = [&](TObject* sender) {
        EXPECT_EQ(sender, &s);
        EXPECT_FALSE(s.Active());
        order.push_back("OnCOMRemoved");
    };
    world.registry->OnCOMRemoval = [&](TObject* sender) {
        EXPECT_EQ(sender, world.registry.get());
        order.push_back("OnCOMRemoval");
    };
    world.comm.presentNames.erase("COM1");
    world.comm.clear();
    auto message = deviceChange(DBT_DEVICEREMOVECOMPLETE);
    EXPECT_FALSE(DispatchMainWindowMessage(message));

    EXPECT_EQ(order, (std::vector<std::string>{"OnCOMRemoved", "OnCOMRemoval"}));
    EXPECT_FALSE(s.Active());
    EXPECT_EQ(s.Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(s.BoundSlots(), TSerial::SlotKind::Closed);
    // The device is gone: its handle is neither touched nor closed.
    EXPECT_EQ(world.comm.count("CloseHandle"), 0);
    EXPECT_EQ(world.comm.count("SetCommMask"), 0);
    EXPECT_EQ(s.ReadString(), "");
    EXPECT_EQ(portNames(*world.registry), std::vector<std::string>{"COM2"});
    s.Close(); // nothing left to close
    EXPECT_EQ(world.comm.count("CloseHandle"), 0);
}

TEST(Registry, ArrivalEventsFireOnlyWhenTheListChanged) {
    FakeSerialWorld world{1};
    int arrivals = 0;
    int removals = 0;
    world.registry->OnCOMArrival = [&](TObject*) { ++arrivals; };
    world.registry->OnCOMRemoval = [&](TObject*) { ++removals; };
    auto arrival = deviceChange(DBT_DEVICEARRIVAL);
    world.comm.addPorts({9}); // outside the probed range
    DispatchMainWindowMessage(arrival);
    EXPECT_EQ(arrivals, 0);
    world.comm.addPorts({2});
    DispatchMainWindowMessage(arrival);
    EXPECT_EQ(arrivals, 1);
    EXPECT_EQ(removals, 0);
}

TEST(Registry, TheHookLooksOnlyAtPortBroadcasts) {
    FakeSerialWorld world{1};
    int arrivals = 0;
    world.registry->OnCOMArrival = [&](TObject*) { ++arrivals; };
    world.comm.addPorts({2});
    auto volume = deviceChange(DBT_DEVICEARRIVAL, 2);
    auto other = TMessage{0x0010, DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT};
    auto query = deviceChange(0x0007);
    world.comm.clear();
    EXPECT_FALSE(world.registry->DeviceChangeHook(volume));
    EXPECT_FALSE(world.registry->DeviceChangeHook(other));
    EXPECT_FALSE(world.registry->DeviceChangeHook(query));
    EXPECT_TRUE(world.comm.calls.empty());
    EXPECT_EQ(arrivals, 0);
}

TEST(Registry, AFailingHandlerIsDroppedAndTheMessageGoesOn) {
    FakeSerialWorld world{1};
    int calls = 0;
    const TNotifyEvent failing = [&](TObject*) {
        ++calls;
        throw std::runtime_error("handler failed");
    };
    world.registry->OnCOMArrival = failing;
    world.registry->OnCOMRemoval = failing;
    world.comm.addPorts({2, 3});
    auto arrival = deviceChange(DBT_DEVICEARRIVAL);
    auto removal = deviceChange(DBT_DEVICEREMOVECOMPLETE);
    EXPECT_FALSE(world.registry->DeviceChangeHook(arrival));
    EXPECT_FALSE(world.registry->OnCOMArrival);
    world.comm.presentNames.erase("COM2");
    EXPECT_FALSE(world.registry->DeviceChangeHook(removal));
    EXPECT_FALSE(world.registry->OnCOMRemoval);
    world.comm.addPorts({4});
    world.registry->DeviceChangeHook(arrival);
    world.comm.presentNames.erase("COM3");
    world.registry->DeviceChangeHook(removal);
    EXPECT_EQ(calls, 2);

    // A handler may also assign its own event while it runs.
    world.registry->OnCOMArrival = [&](TObject*) {
        world.registry->OnCOMArrival = nullptr;
        ++calls;
    };
    world.comm.addPorts({2});
    world.registry->DeviceChangeHook(arrival);
    EXPECT_EQ(calls, 3);
}

// An adapter unplugged and plugged in again before the rescan is listed again; its owner's
// handle still belongs to the device that went away.
TEST(Registry, AnOwnerWhoseDeviceHungUpIsClosedAlthoughItsPortIsListedAgain) {
    FakeSerialWorld world{1, 2};
    TSerial s;
    int removed = 0;
    s.OnCOMRemoved = [&](TObject*) { ++removed; };
    ASSERT_TRUE(s.Open());
    world.comm.goneHandles.insert(s.Handle());
    int removals = 0;
    world.registry->OnCOMRemoval = [&](TObject*) { ++removals; };
    auto removal = deviceChange(DBT_DEVICEREMOVECOMPLETE);
    world.registry->DeviceChangeHook(removal);
    EXPECT_FALSE(s.Active());
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(world.registry->Entry(0).Owner, nullptr);
    EXPECT_EQ(world.comm.count("AbandonHandle"), 1);
    EXPECT_EQ(world.comm.count("CloseHandle"), 0);
}

TEST(Registry, UpdateOwnerForAPortWithoutEntryChangesNothing) {
    FakeSerialWorld world{1, 2};
    TSerial a;
    ASSERT_TRUE(a.Open());
    TSerial b;
    b.setCOMPort(0);
    world.registry->UpdateOwner(&b);
    world.registry->UpdateOwner(nullptr);
    TSerial c;
    c.setCOMPort(2);
    ASSERT_TRUE(c.Open());
    c.setCOMPort(0); // open, and its port number has no entry
    world.registry->UpdateOwner(&c);
    EXPECT_EQ(world.registry->Entry(0).Owner, &a);
    EXPECT_EQ(world.registry->Entry(1).Owner, &c);
}

TEST(Registry, ADestroyedRegistryNoLongerHearsBroadcasts) {
    FakeComm comm;
    comm.addPorts({1});
    int arrivals = 0;
    {
        TCOMManager r;
        r.OnCOMArrival = [&](TObject*) { ++arrivals; };
    }
    comm.addPorts({2});
    auto arrival = deviceChange(DBT_DEVICEARRIVAL);
    DispatchMainWindowMessage(arrival);
    EXPECT_EQ(arrivals, 0);
}

TEST(MessageHooks, HooksRunInOrderUntilOneHandlesTheMessage) {
    std::vector<int> seen;
    int a = 0, b = 0, c = 0;
    HookMainWindow(&a, [&](TMessage&) {
        seen.push_back(1);
        return false;
    });
    HookMainWindow(&b, [&](TMessage&) {
        seen.push_back(2);
        return true;
    });
    HookMainWindow(&c, [&](TMessage&) {
        seen.push_back(3);
        return false;
    });
    TMessage m{0x0010};
    EXPECT_TRUE(DispatchMainWindowMessage(m));
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    UnhookMainWindow(&b);
    seen.clear();
    EXPECT_FALSE(DispatchMainWindowMessage(m));
    EXPECT_EQ(seen, (std::vector<int>{1, 3}));
    UnhookMainWindow(&a);
    UnhookMainWindow(&c);
}

TEST(MessageHooks, AHookMayRemoveOthersWhileAMessageIsOnItsWay) {
    std::vector<int> seen;
    int a = 0, b = 0;
    HookMainWindow(&a, [&](TMessage&) {
        seen.push_back(1);
        UnhookMainWindow(&a);
        UnhookMainWindow(&b);
        return false;
    });
    HookMainWindow(&b, [&](TMessage&) {
        seen.push_back(2);
        return false;
    });
    TMessage m{0x0010};
    DispatchMainWindowMessage(m);
    DispatchMainWindowMessage(m);
    EXPECT_EQ(seen, std::vector<int>{1});
}

} // namespace

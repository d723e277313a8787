// The line-event thread against the scripted backend, which can report every event a real
// line has (a pseudo-terminal has no breaks or modem lines).
#include "FakeComm.h"
#include "serial/SerThread.h"
#include "serial/Serial.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace comm;
using namespace std::chrono_literals;

namespace {

// What the handlers saw, safe to fill from the event thread.
class Journal {
public:
    struct Entry {
        std::string name;
        TObject* sender;
        std::thread::id thread;
    };
    TNotifyEvent note(const std::string& name) {
        return [this, name](TObject* sender) {
            std::lock_guard lock(m_mutex);
            m_entries.push_back({name, sender, std::this_thread::get_id()});
        };
    }
    std::vector<Entry> all() const {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const Entry& e : all()) {
            names.push_back(e.name);
        }
        return names;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

class EventThread : public ::testing::Test {
protected:
    // Opens and waits until the new thread waits for events.
    void open(TSerial& s) {
        const int waits = world.comm.waitsEntered();
        ASSERT_TRUE(s.Open());
        ASSERT_TRUE(world.comm.waitForWaits(waits + 1));
    }
    // Reports the events and waits until the thread has dispatched them and waits again.
    void cycle(DWORD events, const std::string& bytes = {}) {
        const int waits = world.comm.waitsEntered();
        world.comm.pushEvent(events, bytes);
        ASSERT_TRUE(world.comm.waitForWaits(waits + 1));
    }
    FakeSerialWorld world{1};
    Journal journal;
    TSerial serial;
};

TEST_F(EventThread, OneCycleCallsEveryReportedHandlerOnceInTableOrder) {
    serial.OnTxEmpty = journal.note("TxEmpty");
    serial.OnEventChar = journal.note("EventChar");
    serial.OnData = journal.note("Data");
    serial.OnRxChar = journal.note("RxChar");
    serial.OnDcd = journal.note("Dcd");
    serial.OnRing = journal.note("Ring");
    serial.OnError = journal.note("Error");
    serial.OnDsr = journal.note("Dsr");
    serial.OnCts = journal.note("Cts");
    serial.OnBreak = journal.note("Break");
    serial.setDataSize(3);
    serial.setThreadPriority(TThreadPriority::tpHigher);
    open(serial);
    ASSERT_TRUE(serial.EventThread());
    EXPECT_EQ(world.comm.threadPriority, THREAD_PRIORITY_ABOVE_NORMAL);

    cycle(EV_BREAK | EV_RXCHAR, "abc");
    EXPECT_EQ(journal.entries(), (std::vector<std::string>{"Break", "RxChar", "Data"}));
    EXPECT_EQ(serial.EventThread()->EventMask(), EV_BREAK | EV_RXCHAR);

    cycle(0x1FF);
    const std::vector<std::string> all{"Break", "RxChar",    "Data",   "Break", "Cts",
                                       "Dsr",   "Error",     "Ring",   "Dcd",   "RxChar",
                                       "Data",  "EventChar", "TxEmpty"};
    EXPECT_EQ(journal.entries(), all);
    for (const auto& entry : journal.all()) {
        EXPECT_EQ(entry.sender, &serial);
        EXPECT_NE(entry.thread, std::this_thread::get_id());
    }
}

TEST_F(EventThread, OnDataWaitsForDataSizeBytesAndNeverFiresWithSizeZero) {
    serial.OnData = journal.note("Data");
    open(serial);
    EXPECT_EQ(world.comm.last("SetCommMask")->args[1], EV_RXCHAR);
    cycle(EV_RXCHAR, std::string(50, 'x'));
    EXPECT_TRUE(journal.entries().empty());
    serial.Close();

    world.comm.rx.clear();
    serial.setDataSize(10);
    open(serial);
    cycle(EV_RXCHAR, std::string(9, 'x'));
    EXPECT_TRUE(journal.entries().empty());
    cycle(EV_RXCHAR, "y");
    EXPECT_EQ(journal.entries(), std::vector<std::string>{"Data"});

    // A handler of OnRxChar that empties the queue keeps OnData from firing in that cycle.
    serial.OnRxChar = [this](TObject*) { serial.ReadString(); };
    serial.Close();
    open(serial);
    cycle(EV_RXCHAR, std::string(10, 'z'));
    EXPECT_EQ(journal.entries(), std::vector<std::string>{"Data"});
}

TEST_F(EventThread, DisabledEventsCallNothingWhileTheThreadWaitsOn) {
    serial.OnRxChar = journal.note("RxChar");
    serial.setEnableEvents(false);
    open(serial);
    cycle(EV_RXCHAR, "a");
    cycle(EV_RXCHAR, "b");
    EXPECT_TRUE(journal.entries().empty());
    serial.setEnableEvents(true);
    cycle(EV_RXCHAR, "c");
    EXPECT_EQ(journal.entries(), std::vector<std::string>{"RxChar"});
}

// Close wakes the wait by clearing the mask, aborts what a handler may have under way and joins
// the thread before the handle goes and before output is dropped; a port removal does the same
// without the mask and abandons the handle only then. No handler runs after either began.
TEST_F(EventThread, ClosingOrUnpluggingEndsAWaitingThreadWithoutCallingAHandler) {
    // The abort is repeated until the thread has ended; once is enough here.
    auto calls = [this] {
        auto names = world.comm.names();
        names.erase(std::unique(names.begin(), names.end()), names.end());
        return names;
    };
    serial.OnRxChar = journal.note("RxChar");
    open(serial);
    world.comm.clear();
    serial.Close();
    EXPECT_FALSE(serial.EventThread());
    EXPECT_TRUE(journal.entries().empty());
    EXPECT_EQ(calls(),
              (std::vector<std::string>{"SetCommMask", "CancelIoEx", "PurgeComm", "CloseHandle"}));
    EXPECT_EQ(world.comm.last("CancelIoEx")->args[1], 0); // every transfer of the handle

    open(serial);
    world.comm.clear();
    serial.PortRemoved();
    EXPECT_FALSE(serial.Active());
    EXPECT_FALSE(serial.EventThread());
    EXPECT_EQ(calls(), (std::vector<std::string>{"CancelIoEx", "AbandonHandle"}));
    EXPECT_EQ(world.comm.openHandles, 0);
}

TEST_F(EventThread, AFailingHandlerEndsItsCycleAndTheThreadGoesOn) {
    int rx = 0;
    serial.OnBreak = [](TObject*) { throw std::runtime_error("Leitung gestört"); };
    serial.OnRxChar = [&rx](TObject*) { ++rx; };
    open(serial);
    testing::internal::CaptureStderr();
    cycle(EV_BREAK | EV_RXCHAR);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rx, 0);
    EXPECT_NE(err.find("Leitung gestört"), std::string::npos) << err;
    cycle(EV_RXCHAR);
    EXPECT_EQ(rx, 1);
}

// Handlers are called through a copy, and the thread never touches a component that one of
// them closed or destroyed. Under the sanitizers a slip here is a use after free.
TEST_F(EventThread, AHandlerMayReassignItselfCloseOrDestroyItsComponent) {
    std::atomic<int> calls{0};
    const std::string big(256, 'k'); // held by the first handler, freed if it is destroyed
    serial.OnRxChar = [&, big](TObject*) {
        serial.OnRxChar = [&](TObject*) { ++calls; };
        calls += static_cast<int>(big.size());
    };
    open(serial);
    cycle(EV_RXCHAR);
    cycle(EV_RXCHAR);
    EXPECT_EQ(calls, 257);
    serial.Close();

    // Closing or destroying from a handler cannot join the thread; the rest of the cycle is
    // skipped and the thread ends without waiting again.
    std::atomic<bool> done{false};
    auto waitDone = [&] {
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (!done && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(1ms);
        }
        return done.load();
    };
    serial.OnRxChar = [&](TObject*) {
        serial.Close();
        done = true;
    };
    serial.OnEventChar = journal.note("EventChar");
    open(serial);
    int waits = world.comm.waitsEntered();
    world.comm.pushEvent(EV_RXCHAR | EV_RXFLAG);
    ASSERT_TRUE(waitDone());
    EXPECT_FALSE(serial.Active());

    auto owned = std::make_unique<TSerial>();
    owned->OnRxChar = [&](TObject*) {
        owned.reset();
        done = true;
    };
    owned->OnEventChar = journal.note("EventChar");
    done = false;
    open(*owned);
    waits = world.comm.waitsEntered();
    world.comm.pushEvent(EV_RXCHAR | EV_RXFLAG);
    ASSERT_TRUE(waitDone());
    std::this_thread::sleep_for(50ms); // a thread that went on would wait again meanwhile
    EXPECT_EQ(world.comm.waitsEntered(), waits);
    EXPECT_EQ(world.comm.openHandles, 0);
    EXPECT_TRUE(journal.entries().empty());
}

// For the sanitizers: components destroyed while events flow, over and over.
TEST(EventThreadStress, DestroyingOpenComponentsWithRunningThreadsIsClean) {
    FakeSerialWorld world{1};
    std::atomic<int> calls{0};
    for (int round = 0; round < 200; ++round) {
        TSerial s;
        s.OnRxChar = [&](TObject*) { ++calls; };
        s.OnCts = [&](TObject*) { s.setDataSize(round); };
        s.setEnableEvents(round % 3 != 0);
        ASSERT_TRUE(s.Open());
        for (int i = 0; i < round % 4; ++i) {
            world.comm.pushEvent(EV_RXCHAR | EV_CTS);
        }
        if (round % 2) {
            std::this_thread::yield();
        }
    }
    EXPECT_EQ(world.comm.openHandles, 0);
}

} // namespace

// Line events handled in the GUI thread through the dispatcher that the toolkit installs.
#include "FakeComm.h"
#include "common/ScriptedDialogs.h"
#include "serial/GuiDispatcher.h"
#include "serial/Serial.h"
#include "toolkit/SerialDispatcher.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace comm;
using namespace std::chrono_literals;

namespace {

class SyncEvents : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::installSerialDispatcher();
        serial.setSyncEventHandling(true);
    }
    void TearDown() override { InstallGuiDispatcher({}); }

    void open() {
        const int waits = world.comm.waitsEntered();
        ASSERT_TRUE(serial.Open());
        ASSERT_TRUE(world.comm.waitForWaits(waits + 1));
    }
    // Runs the GUI thread's event loop until done() holds (bounded).
    template <typename Done> bool pumpUntil(Done done, std::chrono::milliseconds limit = 10s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < end) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return done();
    }

    FakeSerialWorld world{1};
    testsupport::ScriptedDialogs dialogs;
    TSerial serial;
};

TEST_F(SyncEvents, HandlersRunInTheGuiThreadWhileTheWorkerWaitsForThem) {
    std::vector<bool> inGui;
    serial.OnBreak = [&](TObject*) { inGui.push_back(QThread::currentThread() == qApp->thread()); };
    serial.OnRxChar = [&](TObject*) { inGui.push_back(serial.ReadString() == "abc"); };
    open();
    world.comm.pushEvent(EV_BREAK | EV_RXCHAR, "abc");
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(world.comm.waitsEntered(), 1); // not before the GUI thread has run the cycle
    ASSERT_TRUE(pumpUntil([&] { return inGui.size() == 2; }));
    EXPECT_EQ(inGui, (std::vector<bool>{true, true}));
    EXPECT_TRUE(world.comm.waitForWaits(2));
}

TEST_F(SyncEvents, AFailingHandlerGoesToTheErrorReportOnceAndTheThreadGoesOn) {
    int calls = 0;
    serial.OnRxChar = [&](TObject*) {
        if (++calls == 1) {
            throw std::runtime_error("Leitung gest\xf6rt");
        }
    };
    open();
    testing::internal::CaptureStderr();
    world.comm.pushEvent(EV_RXCHAR);
    ASSERT_TRUE(pumpUntil([&] { return calls == 1 && world.comm.waitsEntered() == 2; }));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Leitung gestört")});
    world.comm.pushEvent(EV_RXCHAR);
    ASSERT_TRUE(pumpUntil([&] { return calls == 2; }));
    EXPECT_EQ(dialogs.messages().size(), 1);
}

// The GUI thread that closes cannot run the cycle the worker waits for: the close gives that
// cycle up instead of waiting for it, and it never runs later.
TEST_F(SyncEvents, ClosingWhileACycleWaitsForTheGuiThreadNeitherHangsNorRunsIt) {
    int calls = 0;
    serial.OnRxChar = [&](TObject*) { ++calls; };
    open();
    world.comm.pushEvent(EV_RXCHAR);
    std::this_thread::sleep_for(20ms);
    serial.Close();
    EXPECT_FALSE(serial.Active());
    pumpUntil([] { return false; }, 300ms); // runs whatever was queued
    EXPECT_EQ(calls, 0);

    // A handler in the GUI thread may close the component itself.
    serial.OnRxChar = [&](TObject*) {
        ++calls;
        serial.Close();
    };
    open();
    world.comm.pushEvent(EV_RXCHAR);
    ASSERT_TRUE(pumpUntil([&] { return !serial.Active(); }));
    EXPECT_EQ(calls, 1);
    ASSERT_TRUE(serial.Open());
    serial.Close();
}

} // namespace

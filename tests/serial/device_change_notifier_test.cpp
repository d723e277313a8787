// The Qt side of device changes: the notifier wakes up on the GUI thread and the registry closes
// the component whose adapter was pulled.
#include "common/PtyPort.h"
#include "serial/Serial.h"
#include "toolkit/DeviceChangeNotifier.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <gtest/gtest.h>

using testsupport::PortFolder;
using testsupport::PtyPort;

namespace {

template <typename Done> bool processEventsUntil(Done done, int limitMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < limitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return done();
}

TEST(DeviceChangeNotifier, PullingTheAdapterClosesThePortOnTheGuiThread) {
    PortFolder folder;
    for (int n = 2; n <= 4; ++n) {
        folder.hide(n);
    }
    PtyPort com1(folder, 1);
    TCOMManager registry;
    installCOMManager(&registry);
    {
        QWidget mainWindow;
        new toolkit::DeviceChangeNotifier(&mainWindow);
        TSerial serial;
        ASSERT_TRUE(serial.Open());
        int removed = 0;
        serial.OnCOMRemoved = [&](TObject*) { ++removed; };

        com1.unplug();
        EXPECT_TRUE(processEventsUntil([&] { return !serial.Active(); }));
        EXPECT_EQ(removed, 1);
        EXPECT_FALSE(registry.HasPort(1));

        PtyPort again(folder, 1);
        EXPECT_TRUE(processEventsUntil([&] { return registry.HasPort(1); }));
    }
    installCOMManager(nullptr);
}

} // namespace

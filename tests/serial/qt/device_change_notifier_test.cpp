// The Qt side of device changes: the notifier wakes up on the GUI thread and the registry closes
// the component whose adapter was pulled. On Linux the port folder's devices come and go; on
// Windows the system's broadcast reaches the main window (real windows: -platform windows).
#include "serial/Serial.h"
#include "serial/qt/DeviceChangeNotifier.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWidget>
#include <gtest/gtest.h>

#ifdef _WIN32
#include "FakeComm.h"
// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on
#else
#include "PtyWorld.h"
using testsupport::PtyPort;
using testsupport::PtyWorld;
#endif

namespace {

template <typename Done> bool processEventsUntil(Done done, int limitMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < limitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return done();
}

#ifndef _WIN32
TEST(DeviceChangeNotifier, PullingTheAdapterClosesThePortOnTheGuiThread) {
    PtyWorld world;
    TCOMManager& registry = *world.registry;
    {
        QWidget mainWindow;
        new serialqt::DeviceChangeNotifier(&mainWindow);
        TSerial serial;
        ASSERT_TRUE(serial.Open());
        int removed = 0;
        serial.OnCOMRemoved = [&](TObject*) { ++removed; };

        world.com1->unplug();
        EXPECT_TRUE(processEventsUntil([&] { return !serial.Active(); }));
        EXPECT_EQ(removed, 1);
        EXPECT_FALSE(registry.HasPort(1));

        PtyPort again(world.folder, 1);
        EXPECT_TRUE(processEventsUntil([&] { return registry.HasPort(1); }));
    }
}
#else
// The broadcast Windows sends every top-level window when a port device comes or goes.
void broadcast(const QWidget& window, WPARAM event, DWORD deviceType = DBT_DEVTYP_PORT) {
    DEV_BROADCAST_PORT_W port{};
    port.dbcp_size = sizeof port;
    port.dbcp_devicetype = deviceType;
    wcscpy(port.dbcp_name, L"COM1");
    SendMessageW(reinterpret_cast<HWND>(window.winId()), WM_DEVICECHANGE, event,
                 reinterpret_cast<LPARAM>(&port));
}

TEST(DeviceChangeNotifier, TheMainWindowsDeviceBroadcastsReachTheRegistry) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("windows"));
    FakeSerialWorld world{1, 3};
    QWidget mainWindow;
    QWidget otherWindow;
    new serialqt::DeviceChangeNotifier(&mainWindow);
    TSerial serial;
    ASSERT_TRUE(serial.Open());
    int removed = 0;
    serial.OnCOMRemoved = [&](TObject*) { ++removed; };

    world.comm.presentNames.erase("COM1");
    // Every top-level window gets its copy; only the main window's reaches the hook chain, and
    // a broadcast of another device type is none of the registry's business.
    broadcast(otherWindow, DBT_DEVICEREMOVECOMPLETE);
    broadcast(mainWindow, DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME);
    EXPECT_TRUE(serial.Active());
    EXPECT_TRUE(world.registry->HasPort(1));

    broadcast(mainWindow, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_FALSE(serial.Active());
    EXPECT_EQ(removed, 1);
    EXPECT_FALSE(world.registry->HasPort(1));

    world.comm.addPorts({1});
    broadcast(mainWindow, DBT_DEVICEARRIVAL);
    EXPECT_TRUE(world.registry->HasPort(1));
}
#endif

} // namespace

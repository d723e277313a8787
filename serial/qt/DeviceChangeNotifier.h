#pragma once
// Brings the system's device-change broadcasts to the main window's message hook chain
// (serial/MessageHooks.h), on the GUI thread, where the port registry listens for them.
//
// Create one after the main window, as its child:
//     new serialqt::DeviceChangeNotifier(&mainWindow);
// On Linux it watches the port folder and the device folders (comm::posix::DeviceWatcher) and
// wakes up through a QSocketNotifier; on Windows a native event filter hands on the
// WM_DEVICECHANGE messages that the main window receives.

#include <QObject>
#include <memory>

class QWidget;
class QSocketNotifier;

namespace comm::posix {
class DeviceWatcher;
}

namespace serialqt {

class DeviceChangeNotifier : public QObject {
    Q_OBJECT
public:
    explicit DeviceChangeNotifier(QWidget* mainWindow);
    ~DeviceChangeNotifier() override;

    // Hands every broadcast that is due to the hook chain; returns how many there were.
    int deliverPending();

private:
#ifdef Q_OS_WIN
    class NativeFilter;
    std::unique_ptr<NativeFilter> m_filter;
#else
    std::unique_ptr<comm::posix::DeviceWatcher> m_watcher;
    QSocketNotifier* m_notifier = nullptr;
#endif
};

} // namespace serialqt

#include "serial/qt/DeviceChangeNotifier.h"

#include "serial/MessageHooks.h"

#include <QWidget>

#ifdef Q_OS_WIN
// After our own headers: windows.h defines macros with the names of the comm constants.
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <windows.h>
// dbt.h needs the types of windows.h.
#include <dbt.h>
#else
#include "serial/comm/posix/DeviceWatcher.h"

#include <QSocketNotifier>
#endif

namespace serialqt {

#ifdef Q_OS_WIN

// Windows broadcasts WM_DEVICECHANGE to every top-level window; the hook chain belongs to the
// main window, so only its copy is handed on.
class DeviceChangeNotifier::NativeFilter : public QAbstractNativeEventFilter {
public:
    explicit NativeFilter(QWidget* mainWindow) : m_mainWindow(mainWindow) {}
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "windows_generic_MSG") {
            return false;
        }
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_DEVICECHANGE || msg->lParam == 0 ||
            msg->hwnd != reinterpret_cast<HWND>(m_mainWindow->winId())) {
            return false;
        }
        const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(msg->lParam);
        TMessage m;
        m.Msg = msg->message;
        m.WParam = static_cast<comm::DWORD>(msg->wParam);
        m.DeviceType = header->dbch_devicetype;
        DispatchMainWindowMessage(m);
        return false; // the window's own processing goes on
    }

private:
    QWidget* m_mainWindow;
};

DeviceChangeNotifier::DeviceChangeNotifier(QWidget* mainWindow)
    : QObject(mainWindow), m_filter(std::make_unique<NativeFilter>(mainWindow)) {
    QCoreApplication::instance()->installNativeEventFilter(m_filter.get());
}

DeviceChangeNotifier::~DeviceChangeNotifier() {
    QCoreApplication::instance()->removeNativeEventFilter(m_filter.get());
}

// The messages come through the filter as they arrive; nothing waits here.
int DeviceChangeNotifier::deliverPending() {
    return 0;
}

#else

DeviceChangeNotifier::DeviceChangeNotifier(QWidget* mainWindow)
    : QObject(mainWindow), m_watcher(std::make_unique<comm::posix::DeviceWatcher>()) {
    if (m_watcher->fd() < 0) {
        return; // no inotify: ports are still found at start-up, just not followed
    }
    m_notifier = new QSocketNotifier(m_watcher->fd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { deliverPending(); });
}

DeviceChangeNotifier::~DeviceChangeNotifier() = default;

int DeviceChangeNotifier::deliverPending() {
    const auto due = m_watcher->takePendingBroadcasts();
    for (const auto& broadcast : due) {
        TMessage m;
        m.Msg = comm::WM_DEVICECHANGE;
        m.WParam = broadcast.event;
        m.DeviceType = broadcast.deviceType;
        DispatchMainWindowMessage(m);
    }
    return static_cast<int>(due.size());
}

#endif

} // namespace serialqt

// Keeps this class's meta-object code in this object file.
#include "moc_DeviceChangeNotifier.cpp"

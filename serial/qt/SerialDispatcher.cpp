#include "serial/qt/SerialDispatcher.h"

#include "serial/GuiDispatcher.h"
#include "toolkit/ErrorReport.h"
#include "toolkit/Win1252.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace serialqt {

void installSerialDispatcher() {
    TGuiDispatcher dispatcher;
    dispatcher.post = [](std::function<void()> call) {
        // Queued to the application object, which lives in the GUI thread; once it is gone
        // the call is dropped and the waiting thread is released by its component's close.
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
        }
    };
    dispatcher.reportError = [](const std::string& text) {
        toolkit::showErrorReport(toolkit::fromWin1252(text));
    };
    InstallGuiDispatcher(std::move(dispatcher));
}

} // namespace serialqt

#include "SerialDispatcher.h"

#include "ErrorReport.h"
#include "Win1252.h"
#include "serial/GuiDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace toolkit {

void installSerialDispatcher() {
    TGuiDispatcher dispatcher;
    dispatcher.post = [](std::function<void()> call) {
        // Queued to the application object, which lives in the GUI thread; once it is gone
        // the call is dropped and the waiting thread is released by its component's close.
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
        }
    };
    dispatcher.reportError = [](const std::string& text) { showErrorReport(fromWin1252(text)); };
    InstallGuiDispatcher(std::move(dispatcher));
}

} // namespace toolkit

#include "Caption.h"

#include <QGuiApplication>
#include <QWidget>

namespace testsupport {

// Qt's platform windows append the display name to a title that does not end with it. Unset,
// the display name reads as the application name and nothing is appended.
QString shownCaption(const QWidget& window) {
#ifdef _WIN32
    const QString separator = QStringLiteral(" - ");
#else
    const QString separator = QStringLiteral(" — ");
#endif
    const QString title = window.windowTitle();
    const QString display = QGuiApplication::applicationDisplayName();
    if (display == QCoreApplication::applicationName() || title.endsWith(display)) {
        return title;
    }
    return title + separator + display;
}

} // namespace testsupport

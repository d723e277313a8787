#include "Screenshot.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace testsupport {

void saveScreenshot(QWidget& widget, const char* name) {
    const QString dir = qEnvironmentVariable("KORVEL_SHOTS");
    if (dir.isEmpty()) {
        return;
    }
    QDir().mkpath(dir);
    widget.grab().save(QDir(dir).filePath(QString::fromUtf8(name)));
}

} // namespace testsupport

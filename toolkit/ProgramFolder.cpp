#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace toolkit {

QString programFolder() {
    QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty()) {
        dir = QDir::currentPath();
    }
    return QDir::toNativeSeparators(dir + QLatin1Char('/'));
}

} // namespace toolkit

#include "ErrorReport.h"

#include "Dialogs.h"

#include <QApplication>

namespace toolkit {

void showErrorReport(const QString& text) {
    dialogs().message(QApplication::activeWindow(), text, QString(), Dialogs::Icon::Error);
}

} // namespace toolkit

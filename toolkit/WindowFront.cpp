#include "WindowFront.h"

#include <QWidget>

namespace toolkit {

void bringToFront(QWidget* window) {
    if (window == nullptr) {
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace toolkit

#include "servicetool/decoders/DataFieldHooks.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace servicetool {

DataFieldHooks::DataFieldHooks(QLineEdit* field, KeyPress keyPress, Click click)
    : QObject(field), m_keyPress(std::move(keyPress)), m_click(std::move(click)) {
    field->installEventFilter(this);
}

bool DataFieldHooks::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        char key = 0;
        if (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter) {
            key = '\r';
        }
        // Only the Enter key means anything to the handlers; other keys pass untouched.
        if (key != 0 && m_keyPress) {
            m_keyPress(key);
            if (key == 0) {
                return true;
            }
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_click) {
            // The press has placed the caret already; the release keeps the selection.
            m_click();
        }
    }
    return QObject::eventFilter(watched, event);
}

void selectStartOfField(QLineEdit* field) {
    const int length = static_cast<int>(qMin<qsizetype>(6, field->text().size()));
    field->setSelection(0, length);
}

} // namespace servicetool

#pragma once
// The data field of both decoder windows reports key presses and clicks the way the window's
// handlers expect them: a key press as a character that the handler may swallow (set to 0), a
// click once the line edit has placed its caret.

#include <QObject>
#include <functional>

class QLineEdit;

namespace servicetool {

class DataFieldHooks : public QObject {
    Q_OBJECT
public:
    using KeyPress = std::function<void(char& key)>;
    using Click = std::function<void()>;

    DataFieldHooks(QLineEdit* field, KeyPress keyPress, Click click);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyPress m_keyPress;
    Click m_click;
};

// The "Berechnen" part of both windows: a click in the field selects the first six characters
// so that typing replaces a short entry.
void selectStartOfField(QLineEdit* field);

} // namespace servicetool

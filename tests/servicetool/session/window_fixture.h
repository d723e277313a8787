#pragma once
// What korveltool's window tests share, with or without a serial line: the window in a test
// program folder of its own with scripted dialogs, the protocol view read back as lines, and
// waits with a bound.

#include "common/ScriptedDialogs.h"
#include "servicetool/session/TForm1.h"

#include <QColor>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace testsupport {

// The protocol view's colours: the window's own lines, the controller's text.
inline const QColor kBlue(0, 0, 255);
inline const QColor kBlack(0, 0, 0);

// Runs the event loop until `done` holds or the time is up.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs);

// The view as lines with their colours.
QStringList viewLines(const servicetool::TForm1& form);
QString viewText(const servicetool::TForm1& form); // the lines joined by LF
QColor lineColour(const servicetool::TForm1& form, int line);

// The lines of the session's recording file, or nothing when it cannot be read.
QStringList recordedLines(const servicetool::TForm1& form);

// korveltool's main window for a test: its program folder (where the session recordings go)
// is a temporary folder of the test, and message boxes and file dialogs are scripted. It takes
// whatever ports are present; tests that need the line use WindowOnPty.
class KorvelToolWindow {
public:
    KorvelToolWindow() { createForm(); }
    virtual ~KorvelToolWindow() = default;
    QTemporaryDir folder;
    testsupport::ScriptedDialogs dialogs;
    std::unique_ptr<servicetool::TForm1> form;

protected:
    struct Later {};
    // For a fixture that must make its ports first: call createForm() then.
    explicit KorvelToolWindow(Later) {}
    void createForm();
};

} // namespace testsupport

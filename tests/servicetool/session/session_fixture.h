#pragma once
// What the window tests share: a port folder of their own in KORVEL_PORTS (shadowing the
// machine's real ports), ptys published there as COM ports, and waits with a bound.

#include "common/ScriptedDialogs.h"
#include "ptylink/PtyLink.h"
#include "servicetool/session/TForm1.h"

#include <QColor>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>

namespace testsupport {

// The port folder of this test process; every COM1..COM9 in it is a dangling link until a
// test publishes a pty there, so only the test's own ports are present.
const std::string& portFolder();
// Makes COMn absent again.
void removePort(int number);
// Lets the registry see the present ports now.
void rescanPorts();

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

// The window on COM1, which is a pty whose other end the test holds.
class WindowOnPty : public KorvelToolWindow {
public:
    WindowOnPty();
    // The window goes first, while its line is still there.
    ~WindowOnPty() override { form.reset(); }
    ptylink::PtyLink pty;

    // "Verbinden"; true when the port opened.
    bool connect();
    // Sends a piece from the controller and runs one poll tick once it has arrived.
    void tick(const std::string& piece);
    // What the window sent to the controller, waiting until `count` bytes came (bounded).
    std::string answers(std::size_t count, int timeoutMs = 3000);
};

} // namespace testsupport

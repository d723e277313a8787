#pragma once
// What the window tests share: a port folder of their own in KORVEL_PORTS (shadowing the
// machine's real ports), ptys published there as COM ports, and waits with a bound.

#include "PtyLink.h"
#include "common/ScriptedDialogs.h"
#include "servicetool/MainForm.h"

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

// A window on COM1, which is a pty whose other end the test holds. Its program folder (where
// the session recordings go) is a temporary folder of the test.
class WindowOnPty {
public:
    WindowOnPty();
    QTemporaryDir folder;
    testsupport::ScriptedDialogs dialogs;
    panelsim::PtyLink pty;
    std::unique_ptr<servicetool::TForm1> form;

    // "Verbinden"; true when the port opened.
    bool connect();
    // Sends a piece from the controller and runs one poll tick once it has arrived.
    void tick(const std::string& piece);
    // What the window sent to the controller, waiting until `count` bytes came (bounded).
    std::string answers(std::size_t count, int timeoutMs = 3000);
};

} // namespace testsupport

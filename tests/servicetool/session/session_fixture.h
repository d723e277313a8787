#pragma once
// What the window tests that need the line share: a port folder of their own in KORVEL_PORTS
// (shadowing the machine's real ports), ptys published there as COM ports, and the window on
// such a pty. A Linux matter: a Windows program cannot make a pty.

#include "ptylink/PtyLink.h"
#include "window_fixture.h"

#include <string>

namespace testsupport {

// The port folder of this test process; every COM1..COM9 in it is a dangling link until a
// test publishes a pty there, so only the test's own ports are present.
const std::string& portFolder();
// Makes COMn absent again.
void removePort(int number);
// Lets the registry see the present ports now.
void rescanPorts();

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

#pragma once
// A port folder of the test's own: a fresh temporary folder that KORVEL_PORTS points at while it
// lives, so the serial layer sees only the ports the test publishes there (common/PtyPort.h).
//
//   testsupport::PortFolder folder(9);   // COM1..COM9 absent, whatever adapters the machine has
//
// The port table is read at every probe and open, so the folder may change while a test runs.
// POSIX only.

#include <string>

namespace testsupport {

class PortFolder {
public:
    // Creates the folder under the temporary directory and points KORVEL_PORTS at it. COM1 to
    // COM<hidden> are made absent at once (see hide()). Throws when no folder can be made.
    explicit PortFolder(int hidden = 0);
    // Removes the folder and restores KORVEL_PORTS as it was.
    ~PortFolder();
    PortFolder(const PortFolder&) = delete;
    PortFolder& operator=(const PortFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string linkPath(int number) const;
    // Makes the port absent whatever the built-in table would find for it (a link whose target
    // does not exist).
    void hide(int number);

private:
    std::string m_path;
    std::string m_previous;
    bool m_hadPrevious = false;
};

} // namespace testsupport

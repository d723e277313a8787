#pragma once
// Pseudo-terminals published as COM ports for tests, Qt-free.
//
//   testsupport::PortFolder folder;          // temporary folder, KORVEL_PORTS points at it
//   testsupport::PtyPort com1(folder, 1);    // COM1 -> /dev/pts/N; the test plays the far end
//   com1.write("hello");  com1.read(5, 1000);
//   com1.unplug();                           // link removed, far end closed
//
// The port table is read at every probe and open, so the folder may change while a test runs.

#include <string>

namespace testsupport {

class PortFolder {
public:
    // Creates a fresh folder under the temporary directory and points KORVEL_PORTS at it.
    PortFolder();
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

class PtyPort {
public:
    // Opens a pty pair and publishes the slave as COM<number> in the folder.
    PtyPort(PortFolder& folder, int number);
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    int number() const { return m_number; }
    int masterFd() const { return m_master; }
    const std::string& slavePath() const { return m_slavePath; }

    // Writes all bytes to the far end; false on failure.
    bool write(const std::string& bytes);
    // Reads until count bytes arrived or timeoutMs passed; returns what arrived.
    std::string read(std::size_t count, int timeoutMs);
    // Waits up to timeoutMs for the first byte, then takes whatever follows within quietMs.
    std::string readSome(int timeoutMs, int quietMs = 50);

    // The adapter is pulled: the link goes and the far end closes.
    void unplug();
    // Only the far end dies (the link stays).
    void closeMaster();
    void removeLink();

private:
    PortFolder& m_folder;
    int m_number;
    int m_master = -1;
    int m_keepAlive = -1; // a slave descriptor of our own, so the master never sees "no slave"
    std::string m_slavePath;
    bool m_linked = false;
};

} // namespace testsupport

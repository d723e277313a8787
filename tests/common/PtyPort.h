#pragma once
// Pseudo-terminals published as COM ports for tests, Qt-free.
//
//   testsupport::PortFolder folder;          // temporary folder, KORVEL_PORTS points at it
//   testsupport::PtyPort com1(folder, 1);    // COM1 -> /dev/pts/N; the test plays the far end
//   com1.write("hello");  com1.read(5, 1000);
//   com1.unplug();                           // link removed, far end closed
//
// The far end never sees a hang-up while the port is closed (the test holds a slave descriptor
// too), and no program the test starts inherits either end.

#include "common/PortFolder.h"
#include "ptylink/PtyLink.h"

#include <string>

namespace testsupport {

class PtyPort {
public:
    // Opens a pty pair and publishes the slave as COM<number> in the folder.
    PtyPort(PortFolder& folder, int number);
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    int number() const { return m_number; }
    int masterFd() const { return m_link.master(); }
    const std::string& slavePath() const { return m_link.slavePath(); }

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
    int m_number;
    ptylink::PtyLink m_link;
};

} // namespace testsupport

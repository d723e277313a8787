#pragma once
// A pseudo-terminal pair whose program end (the slave) is published as COMn in a port folder
// ($KORVEL_PORTS), so the serial layer finds it as a serial port; the owner keeps the master and
// plays the far end (a simulated panel or printer, a test, a benchmark). POSIX, no Qt.
//
//   ptylink::PtyLink link;
//   if (!link.open(portsDir, 1, &error, {.holdSlave = true})) ...
//   link.writeAll("hello");
//
// Both ends are in raw mode before any program opens the port (a cooked pty would echo what the
// far end sends and hold it until a line end), and the master is non-blocking.

#include <string>
#include <string_view>
#include <termios.h>

namespace ptylink {

struct Options {
    // The descriptors are closed in programs started by the owner (a test's child must not keep
    // a port alive that the test closed).
    bool closeOnExec = false;
    // Keep a slave descriptor of our own: the master then never sees a hang-up, whether a
    // program holds the port or not. Without it the master reports a hang-up whenever no
    // program has the port open (see peerAttached()).
    bool holdSlave = false;
    // The line speed preset on the port (a termios speed such as B9600); B0 keeps the pty's.
    speed_t speed = B0;
};

class PtyLink {
public:
    PtyLink() = default;
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // Creates the pair in raw mode and the link portsDir/COM<comPort>. An existing link of that
    // name is replaced. False with the reason in *error on failure.
    bool open(const std::string& portsDir, int comPort, std::string* error,
              const Options& options = {});
    // Removes the link and closes both ends.
    void close();
    // Removes the link, once, and only while it still points at our slave: after an unplug the
    // number (even the pseudo-terminal's name) may already belong to a new port.
    void removeLink();
    // Closes our descriptors: the far end is gone (the link stays).
    void closeEnds();

    int master() const { return m_master; }
    const std::string& slavePath() const { return m_slavePath; }
    const std::string& linkPath() const { return m_linkPath; }

    // Whether a program has the port open. Linux reports a hang-up on the master while no
    // slave descriptor is open.
    bool peerAttached() const;

    // Writes all bytes (waits while the queue is full, at most timeoutMs). False on failure.
    bool writeAll(std::string_view bytes, int timeoutMs = 2000);
    // Waits up to timeoutMs for bytes and reads what is there; returns the count, 0 on timeout
    // or hang-up, -1 on error.
    int readSome(char* buffer, int size, int timeoutMs);

    // The line settings the program set on its end.
    struct LineSettings {
        long baud = 0; // 0 when the speed is not a standard one
        bool rtsCts = false;
        int dataBits = 8;
        bool parity = false;
        bool twoStopBits = false;
    };
    LineSettings lineSettings() const;

private:
    int m_master = -1;
    int m_slave = -1; // held when Options::holdSlave
    std::string m_slavePath;
    std::string m_linkPath;
};

} // namespace ptylink

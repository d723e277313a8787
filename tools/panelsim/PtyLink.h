#pragma once
// A pseudo-terminal pair whose program end (the slave) is published as COMn in a port folder,
// so the serial layer finds it as a serial port. We keep the master.

#include <string>
#include <string_view>

namespace panelsim {

class PtyLink {
public:
    PtyLink() = default;
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // Creates the pair in raw mode and the link portsDir/COM<comPort>. An existing link of that
    // name is replaced.
    bool open(const std::string& portsDir, int comPort, std::string* error);
    void close();

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
    std::string m_slavePath;
    std::string m_linkPath;
};

} // namespace panelsim

#include "ptylink/PtyLink.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace ptylink {

namespace {

bool fail(std::string* error, const std::string& what) {
    if (error) {
        *error = what + ": " + std::strerror(errno);
    }
    return false;
}

long baudOf(speed_t speed) {
    switch (speed) {
    case B300:
        return 300;
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    case B460800:
        return 460800;
    case B921600:
        return 921600;
    default:
        return 0;
    }
}

} // namespace

PtyLink::~PtyLink() {
    close();
}

bool PtyLink::open(const std::string& portsDir, int comPort, std::string* error,
                   const Options& options) {
    close();
    const int cloexec = options.closeOnExec ? O_CLOEXEC : 0;
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | cloexec);
    if (m_master < 0) {
        return fail(error, "posix_openpt");
    }
    const char* name = nullptr;
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        (name = ptsname(m_master)) == nullptr) {
        return fail(error, "unlockpt");
    }
    m_slavePath = name;
    // Raw mode before the program opens its end. Opening and closing the slave once also makes
    // the master report a hang-up from now on whenever no program holds the port.
    const int slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | cloexec);
    if (slave < 0) {
        return fail(error, "open " + m_slavePath);
    }
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        if (options.speed != B0) {
            cfsetispeed(&tio, options.speed);
            cfsetospeed(&tio, options.speed);
        }
        tcsetattr(slave, TCSANOW, &tio);
    }
    if (options.holdSlave) {
        m_slave = slave;
    } else {
        ::close(slave);
    }

    m_linkPath = portsDir + "/COM" + std::to_string(comPort);
    ::unlink(m_linkPath.c_str());
    if (::symlink(m_slavePath.c_str(), m_linkPath.c_str()) != 0) {
        m_linkPath.clear();
        return fail(error, "symlink " + portsDir + "/COM" + std::to_string(comPort));
    }
    return true;
}

void PtyLink::close() {
    removeLink();
    closeEnds();
}

void PtyLink::removeLink() {
    if (m_linkPath.empty()) {
        return;
    }
    char target[512] = {};
    const ssize_t n = ::readlink(m_linkPath.c_str(), target, sizeof target - 1);
    if (n > 0 && m_slavePath == std::string(target, static_cast<std::size_t>(n))) {
        ::unlink(m_linkPath.c_str());
    }
    m_linkPath.clear();
}

void PtyLink::closeEnds() {
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

bool PtyLink::peerAttached() const {
    pollfd p{m_master, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0) {
        return false;
    }
    return (p.revents & POLLHUP) == 0;
}

bool PtyLink::writeAll(std::string_view bytes, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_master, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        pollfd p{m_master, POLLOUT, 0};
        ::poll(&p, 1, 10);
    }
    return true;
}

int PtyLink::readSome(char* buffer, int size, int timeoutMs) {
    pollfd p{m_master, POLLIN, 0};
    const int r = ::poll(&p, 1, timeoutMs);
    if (r < 0) {
        return errno == EINTR ? 0 : -1;
    }
    if (r == 0) {
        return 0;
    }
    if ((p.revents & POLLIN) == 0) {
        // Hang-up (no program holds the port): poll would return at once, so wait here.
        ::usleep(static_cast<useconds_t>(timeoutMs < 0 ? 20 : std::min(timeoutMs, 20)) * 1000);
        return 0;
    }
    const ssize_t n = ::read(m_master, buffer, static_cast<std::size_t>(size));
    if (n < 0) {
        return (errno == EAGAIN || errno == EINTR || errno == EIO) ? 0 : -1;
    }
    return static_cast<int>(n);
}

PtyLink::LineSettings PtyLink::lineSettings() const {
    LineSettings s;
    termios tio{};
    // Mode requests on the master address the slave's settings.
    if (tcgetattr(m_master, &tio) != 0) {
        return s;
    }
    s.baud = baudOf(cfgetospeed(&tio));
    s.rtsCts = (tio.c_cflag & CRTSCTS) != 0;
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        s.dataBits = 5;
        break;
    case CS6:
        s.dataBits = 6;
        break;
    case CS7:
        s.dataBits = 7;
        break;
    default:
        s.dataBits = 8;
        break;
    }
    s.parity = (tio.c_cflag & PARENB) != 0;
    s.twoStopBits = (tio.c_cflag & CSTOPB) != 0;
    return s;
}

} // namespace ptylink

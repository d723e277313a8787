#include "common/PtyPort.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace testsupport {

namespace fs = std::filesystem;

namespace {

int msLeft(std::chrono::steady_clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

PortFolder::PortFolder() {
    if (const char* old = std::getenv("KORVEL_PORTS")) {
        m_hadPrevious = true;
        m_previous = old;
    }
    std::string pattern = (fs::temp_directory_path() / "korvel-ports-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create a port folder");
    }
    m_path = pattern;
    setenv("KORVEL_PORTS", m_path.c_str(), 1);
}

PortFolder::~PortFolder() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
    if (m_hadPrevious) {
        setenv("KORVEL_PORTS", m_previous.c_str(), 1);
    } else {
        unsetenv("KORVEL_PORTS");
    }
}

std::string PortFolder::linkPath(int number) const {
    return m_path + "/COM" + std::to_string(number);
}

void PortFolder::hide(int number) {
    std::error_code ec;
    fs::remove(linkPath(number), ec);
    fs::create_symlink(m_path + "/absent-device", linkPath(number));
}

PtyPort::PtyPort(PortFolder& folder, int number) : m_folder(folder), m_number(number) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        throw std::runtime_error("cannot create a pseudo-terminal");
    }
    m_slavePath = ptsname(m_master);
    m_keepAlive = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    // Until the component sets its own mode, nothing may echo or translate.
    termios tio{};
    if (m_keepAlive >= 0 && tcgetattr(m_keepAlive, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_keepAlive, TCSANOW, &tio);
    }
    std::error_code ec;
    fs::remove(folder.linkPath(number), ec);
    fs::create_symlink(m_slavePath, folder.linkPath(number));
    m_linked = true;
}

PtyPort::~PtyPort() {
    removeLink();
    closeMaster();
}

bool PtyPort::write(const std::string& bytes) {
    std::size_t done = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        pollfd p{m_master, POLLOUT, 0};
        if (::poll(&p, 1, msLeft(end)) <= 0) {
            return false;
        }
    }
    return done == bytes.size();
}

std::string PtyPort::read(std::size_t count, int timeoutMs) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buf[4096];
    while (got.size() < count && m_master >= 0) {
        const ssize_t n = ::read(m_master, buf, std::min(sizeof buf, count - got.size()));
        if (n > 0) {
            got.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        const int left = msLeft(end);
        if (left == 0) {
            break;
        }
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, std::min(left, 20)) < 0) {
            break;
        }
    }
    return got;
}

std::string PtyPort::readSome(int timeoutMs, int quietMs) {
    std::string got = read(1, timeoutMs);
    while (!got.empty()) {
        const std::string more = read(65536, quietMs);
        if (more.empty()) {
            break;
        }
        got += more;
    }
    return got;
}

void PtyPort::unplug() {
    removeLink();
    closeMaster();
}

void PtyPort::closeMaster() {
    if (m_keepAlive >= 0) {
        ::close(m_keepAlive);
        m_keepAlive = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void PtyPort::removeLink() {
    // Only once: after an unplug the number may already belong to a new port (and even the
    // pseudo-terminal's name may have been given out again).
    if (!m_linked) {
        return;
    }
    m_linked = false;
    std::error_code ec;
    const std::string link = m_folder.linkPath(m_number);
    if (fs::is_symlink(fs::symlink_status(link, ec)) && fs::read_symlink(link, ec) == m_slavePath) {
        fs::remove(link, ec);
    }
}

} // namespace testsupport

#include "common/PtyPort.h"

#include <algorithm>
#include <chrono>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace testsupport {

namespace {

int msLeft(std::chrono::steady_clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

PtyPort::PtyPort(PortFolder& folder, int number) : m_number(number) {
    std::string error;
    if (!m_link.open(folder.path(), number, &error, {.closeOnExec = true, .holdSlave = true})) {
        throw std::runtime_error("cannot publish a pseudo-terminal: " + error);
    }
}

PtyPort::~PtyPort() = default;

bool PtyPort::write(const std::string& bytes) {
    return m_link.writeAll(bytes, 5000);
}

std::string PtyPort::read(std::size_t count, int timeoutMs) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buf[4096];
    while (got.size() < count && m_link.master() >= 0) {
        const ssize_t n = ::read(m_link.master(), buf, std::min(sizeof buf, count - got.size()));
        if (n > 0) {
            got.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        const int left = msLeft(end);
        if (left == 0) {
            break;
        }
        pollfd p{m_link.master(), POLLIN, 0};
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
    m_link.closeEnds();
}

void PtyPort::removeLink() {
    m_link.removeLink();
}

} // namespace testsupport

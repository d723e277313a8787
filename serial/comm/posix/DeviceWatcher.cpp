#include "serial/comm/posix/DeviceWatcher.h"

#include "serial/comm/posix/PortTable.h"

#include <climits>
#include <cstdint>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace comm::posix {

namespace {

constexpr std::uint32_t kWatchMask =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

void addToEpoll(int epoll, int fd) {
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &ev);
}

bool startsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

} // namespace

DeviceWatcher::DeviceWatcher(std::chrono::milliseconds quiet)
    : DeviceWatcher(quiet, {portFolder(), "/dev", "/dev/pts"}) {}

DeviceWatcher::DeviceWatcher(std::chrono::milliseconds quiet,
                             const std::vector<std::string>& folders)
    : m_quiet(quiet), m_portFolder(portFolder()) {
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    m_timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_epoll < 0 || m_inotify < 0 || m_timer < 0) {
        return;
    }
    addToEpoll(m_epoll, m_inotify);
    addToEpoll(m_epoll, m_timer);
    for (const auto& folder : folders) {
        watch(folder);
    }
}

DeviceWatcher::~DeviceWatcher() {
    for (int fd : {m_timer, m_inotify, m_epoll}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void DeviceWatcher::watch(const std::string& path) {
    if (path.empty()) {
        return;
    }
    const int wd = inotify_add_watch(m_inotify, path.c_str(), kWatchMask);
    if (wd >= 0) {
        m_watched[wd] = path;
    }
}

// Port links are named COMn; serial devices in /dev are tty-something; every node in /dev/pts
// but the multiplexer is a pseudo-terminal.
bool DeviceWatcher::relevant(int wd, const std::string& name) const {
    const auto it = m_watched.find(wd);
    if (it == m_watched.end()) {
        return false;
    }
    if (it->second == m_portFolder) {
        return name.empty() || startsWith(name, "COM") || startsWith(name, "com");
    }
    if (it->second == "/dev") {
        return startsWith(name, "tty");
    }
    return it->second == "/dev/pts" && !name.empty() && name != "ptmx";
}

void DeviceWatcher::armTimer() {
    itimerspec spec{};
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(m_quiet).count();
    spec.it_value.tv_sec = ns / 1000000000;
    spec.it_value.tv_nsec = ns % 1000000000;
    if (spec.it_value.tv_sec == 0 && spec.it_value.tv_nsec == 0) {
        spec.it_value.tv_nsec = 1;
    }
    timerfd_settime(m_timer, 0, &spec, nullptr);
}

void DeviceWatcher::readEvents(std::vector<DeviceBroadcast>& due) {
    alignas(inotify_event) char buf[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
        const ssize_t n = ::read(m_inotify, buf, sizeof buf);
        if (n <= 0) {
            return;
        }
        for (ssize_t pos = 0; pos < n;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(buf + pos);
            pos += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
            const std::string name = ev->len ? std::string(ev->name) : std::string();
            if (!relevant(ev->wd, name)) {
                continue;
            }
            const bool arrival = (ev->mask & (IN_CREATE | IN_MOVED_TO)) != 0;
            const bool removal =
                (ev->mask & (IN_DELETE | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF)) != 0;
            if (!arrival && !removal) {
                continue;
            }
            if (arrival) {
                // A re-plug within the quiet time: the owner of the port must still hear of
                // the removal first, or it would keep a handle to a device that is gone.
                if (m_removalPending) {
                    due.push_back({DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_PORT});
                    m_removalPending = false;
                }
                m_arrivalPending = true;
            } else {
                m_removalPending = true;
            }
            armTimer();
        }
    }
}

std::vector<DeviceBroadcast> DeviceWatcher::takePendingBroadcasts() {
    std::vector<DeviceBroadcast> due;
    if (m_epoll < 0) {
        return due;
    }
    readEvents(due);
    std::uint64_t expirations = 0;
    if (::read(m_timer, &expirations, sizeof expirations) == sizeof expirations) {
        if (m_removalPending) {
            due.push_back({DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_PORT});
        }
        if (m_arrivalPending) {
            due.push_back({DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT});
        }
        m_removalPending = false;
        m_arrivalPending = false;
    }
    return due;
}

} // namespace comm::posix

#pragma once
// Stands in on POSIX for the device-change broadcasts of Windows: watches the port folder, /dev
// and /dev/pts with inotify and, once things have been quiet for a moment, turns what it saw
// into port arrival and removal broadcasts.
//
// Nothing here runs by itself: the owner waits until fd() is readable (a QSocketNotifier in the
// program, poll() in tests), then calls takePendingBroadcasts() on the thread that may touch the
// port registry.

#include "serial/comm/CommApi.h"

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace comm::posix {

struct DeviceBroadcast {
    DWORD event = 0; // DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE
    DWORD deviceType = DBT_DEVTYP_PORT;
};

class DeviceWatcher {
public:
    // A burst of file-system events is reported once it has been quiet for `quiet`; an adapter
    // creates and renames several nodes while it arrives. Watches the port folder, /dev and
    // /dev/pts.
    explicit DeviceWatcher(std::chrono::milliseconds quiet = std::chrono::milliseconds(300));
    // Watches only the given folders (tests: the port folder alone is quiet, /dev/pts is not).
    DeviceWatcher(std::chrono::milliseconds quiet, const std::vector<std::string>& folders);
    ~DeviceWatcher();
    DeviceWatcher(const DeviceWatcher&) = delete;
    DeviceWatcher& operator=(const DeviceWatcher&) = delete;

    // Readable when takePendingBroadcasts() has work; -1 if watching could not start.
    int fd() const { return m_epoll; }
    // Reads what happened and returns the broadcasts that are due (often none: the quiet time
    // may still be running). Never blocks.
    std::vector<DeviceBroadcast> takePendingBroadcasts();

private:
    void watch(const std::string& path);
    void readEvents(std::vector<DeviceBroadcast>& due);
    bool relevant(int wd, const std::string& name) const;
    void armTimer();

    std::chrono::milliseconds m_quiet;
    int m_epoll = -1;
    int m_inotify = -1;
    int m_timer = -1;
    std::string m_portFolder;
    std::map<int, std::string> m_watched; // watch descriptor -> folder
    bool m_arrivalPending = false;
    bool m_removalPending = false;
};

} // namespace comm::posix

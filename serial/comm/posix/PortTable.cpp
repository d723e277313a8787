#include "serial/comm/posix/PortTable.h"

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace comm::posix {

namespace {

struct TableRange {
    int first;          // first port number of the range
    int count;          // how many numbers
    const char* family; // device path without the index
    int firstIndex;     // index of the first port's device
};

// The common USB adapters first (both kinds), within the numbers that both programs probe at
// start (COM1-COM4 at once, then up to COM8 or COM9); the board's own UARTs after them; then
// further adapters and the UARTs of single-board computers.
constexpr TableRange kTable[] = {
    {1, 2, "/dev/ttyUSB", 0}, {3, 2, "/dev/ttyACM", 0},  {5, 4, "/dev/ttyS", 0},
    {9, 2, "/dev/ttyUSB", 2}, {11, 2, "/dev/ttyACM", 2}, {13, 4, "/dev/ttyAMA", 0},
};

std::string builtInDevice(int number) {
    for (const TableRange& r : kTable) {
        if (number >= r.first && number < r.first + r.count) {
            return r.family + std::to_string(r.firstIndex + number - r.first);
        }
    }
    return {};
}

bool sysfsSaysNoUart(dev_t rdev) {
    const std::string path = "/sys/dev/char/" + std::to_string(major(rdev)) + ":" +
                             std::to_string(minor(rdev)) + "/type";
    std::ifstream in(path);
    int type = -1;
    return in && (in >> type) && type == 0;
}

} // namespace

// UNIX98 pseudo-terminal slaves use the majors 136 to 143.
bool isPtySlave(dev_t rdev) {
    return major(rdev) >= 136 && major(rdev) <= 143;
}

std::optional<int> portNumberOfName(const std::string& name) {
    std::string rest = name;
    if (rest.rfind("\\\\.\\", 0) == 0) {
        rest.erase(0, 4);
    }
    if (rest.size() < 4 || rest.size() > 5) {
        return std::nullopt;
    }
    for (int i = 0; i < 3; ++i) {
        if ((rest[i] & ~0x20) != "COM"[i]) {
            return std::nullopt;
        }
    }
    int number = 0;
    for (std::size_t i = 3; i < rest.size(); ++i) {
        if (rest[i] < '0' || rest[i] > '9') {
            return std::nullopt;
        }
        number = number * 10 + (rest[i] - '0');
    }
    if (rest[3] == '0' || number < 1 || number > 99) {
        return std::nullopt;
    }
    return number;
}

std::string portFolder() {
    if (const char* env = std::getenv("KORVEL_PORTS"); env && *env) {
        return env;
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        return std::string(home) + "/.config/korvel/ports";
    }
    return {};
}

std::string devicePathOfPort(int number) {
    const std::string folder = portFolder();
    if (!folder.empty()) {
        const std::string link = folder + "/COM" + std::to_string(number);
        struct stat st {};
        if (lstat(link.c_str(), &st) == 0) {
            return link;
        }
    }
    return builtInDevice(number);
}

bool portPresent(int number) {
    const std::string path = devicePathOfPort(number);
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        return false;
    }
    if (isPtySlave(st.st_rdev)) {
        return true;
    }
    return !sysfsSaysNoUart(st.st_rdev);
}

} // namespace comm::posix

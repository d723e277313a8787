#include "serial/comm/posix/CustomBaud.h"

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace comm::posix {

bool setCustomBaud(int fd, unsigned rate) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        return false;
    }
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = rate;
    tio.c_ospeed = rate;
    return ioctl(fd, TCSETS2, &tio) == 0;
}

unsigned customBaud(int fd) {
    struct termios2 tio {};
    return ioctl(fd, TCGETS2, &tio) == 0 ? tio.c_ospeed : 0;
}

} // namespace comm::posix

#else

namespace comm::posix {
bool setCustomBaud(int, unsigned) {
    return false;
}
unsigned customBaud(int) {
    return 0;
}
} // namespace comm::posix

#endif

#include "serial/comm/posix/CustomBaud.h"

namespace comm::posix {

bool rateAccepted(unsigned asked, unsigned got) {
    const unsigned long long diff = asked > got ? asked - got : got - asked;
    return asked != 0 && diff * 50 <= asked;
}

} // namespace comm::posix

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace comm::posix {

namespace {

struct Code {
    unsigned rate;
    tcflag_t code;
};

constexpr Code kCodes[] = {
    {50, B50},         {75, B75},         {110, B110},        {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},        {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},      {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},  {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}};

tcflag_t codeOfRate(unsigned rate) {
    for (const Code& c : kCodes) {
        if (c.rate == rate) {
            return c.code;
        }
    }
    return BOTHER;
}

unsigned rateOfCode(tcflag_t code, unsigned speed) {
    if (code == BOTHER) {
        return speed;
    }
    for (const Code& c : kCodes) {
        if (c.code == code) {
            return c.rate;
        }
    }
    return speed;
}

} // namespace

bool setLineSpeed(int fd, unsigned rate, unsigned& in, unsigned& out) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        return false;
    }
    const tcflag_t code = codeOfRate(rate);
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= code | (code << IBSHIFT);
    tio.c_ispeed = rate;
    tio.c_ospeed = rate;
    return ioctl(fd, TCSETS2, &tio) == 0 && lineSpeed(fd, in, out);
}

bool lineSpeed(int fd, unsigned& in, unsigned& out) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        return false;
    }
    out = rateOfCode(tio.c_cflag & CBAUD, tio.c_ospeed);
    const tcflag_t inCode = (tio.c_cflag >> IBSHIFT) & CBAUD;
    in = inCode == 0 ? out : rateOfCode(inCode, tio.c_ispeed); // B0 input: same as output
    return true;
}

} // namespace comm::posix

#else
#include <termios.h>

namespace comm::posix {

bool lineSpeed(int fd, unsigned& in, unsigned& out) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        return false;
    }
    in = static_cast<unsigned>(cfgetispeed(&tio));
    out = static_cast<unsigned>(cfgetospeed(&tio));
    return true;
}

// Where speed_t holds the rate itself (the BSDs, macOS).
bool setLineSpeed(int fd, unsigned rate, unsigned& in, unsigned& out) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0 || cfsetispeed(&tio, rate) != 0 || cfsetospeed(&tio, rate) != 0 ||
        tcsetattr(fd, TCSANOW, &tio) != 0) {
        return false;
    }
    return lineSpeed(fd, in, out);
}

} // namespace comm::posix

#endif

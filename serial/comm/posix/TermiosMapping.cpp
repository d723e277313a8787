#include "serial/comm/posix/TermiosMapping.h"

namespace comm::posix {

namespace {

struct SpeedPair {
    DWORD rate;
    speed_t speed;
};

constexpr SpeedPair kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},        {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},        {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},      {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},  {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}};

} // namespace

speed_t speedConstant(DWORD rate) {
    for (const auto& p : kSpeeds) {
        if (p.rate == rate) {
            return p.speed;
        }
    }
    return B0;
}

DWORD rateOfSpeed(speed_t speed) {
    for (const auto& p : kSpeeds) {
        if (p.speed == speed) {
            return p.rate;
        }
    }
    return 0;
}

bool applyDcb(const DCB& dcb, termios& tio) {
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > SPACEPARITY ||
        dcb.StopBits > TWOSTOPBITS) {
        return false;
    }
    cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CREAD | CLOCAL | sizes[dcb.ByteSize - 5];
    switch (dcb.Parity) {
    case ODDPARITY:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case EVENPARITY:
        tio.c_cflag |= PARENB;
        break;
    case MARKPARITY:
        tio.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case SPACEPARITY:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (dcb.fParity) {
        tio.c_iflag |= INPCK;
    }
    // termios has no 1.5 stop bits; a UART sends 1.5 for 5 data bits when asked for 2.
    if (dcb.StopBits != ONESTOPBIT) {
        tio.c_cflag |= CSTOPB;
    }
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) {
        tio.c_cflag |= CRTSCTS;
    }
    if (dcb.fOutX) {
        tio.c_iflag |= IXON;
    }
    if (dcb.fInX) {
        tio.c_iflag |= IXOFF;
    }
    tio.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return true;
}

void readDcb(const termios& tio, DCB& dcb) {
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        dcb.ByteSize = 5;
        break;
    case CS6:
        dcb.ByteSize = 6;
        break;
    case CS7:
        dcb.ByteSize = 7;
        break;
    default:
        dcb.ByteSize = 8;
        break;
    }
    if (!(tio.c_cflag & PARENB)) {
        dcb.Parity = NOPARITY;
    } else if (tio.c_cflag & CMSPAR) {
        dcb.Parity = (tio.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    } else {
        dcb.Parity = (tio.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
    }
    if (!(tio.c_cflag & CSTOPB)) {
        dcb.StopBits = ONESTOPBIT;
    } else if (dcb.StopBits == ONESTOPBIT) {
        dcb.StopBits = TWOSTOPBITS;
    }
    dcb.fBinary = 1;
    dcb.fParity = (tio.c_iflag & INPCK) ? 1 : 0;
    const bool rtscts = (tio.c_cflag & CRTSCTS) != 0;
    dcb.fOutxCtsFlow = rtscts;
    if (rtscts) {
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    } else if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) {
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
    }
    dcb.fOutX = (tio.c_iflag & IXON) ? 1 : 0;
    dcb.fInX = (tio.c_iflag & IXOFF) ? 1 : 0;
    dcb.XonChar = static_cast<char>(tio.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
}

} // namespace comm::posix

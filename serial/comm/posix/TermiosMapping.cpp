#include "serial/comm/posix/TermiosMapping.h"

namespace comm::posix {

Refusal refusedDcb(const DCB& dcb) {
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8) {
        return {ERROR_INVALID_PARAMETER, "nur 5 bis 8 Datenbits sind möglich"};
    }
    if (dcb.Parity > SPACEPARITY || dcb.StopBits > TWOSTOPBITS) {
        return {ERROR_INVALID_PARAMETER, "unbekannte Parität oder Stoppbits"};
    }
    if (dcb.StopBits == ONE5STOPBITS && dcb.ByteSize != 5) {
        return {ERROR_INVALID_PARAMETER, "1,5 Stoppbits gibt es nur mit 5 Datenbits"};
    }
    if (dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5) {
        return {ERROR_INVALID_PARAMETER, "2 Stoppbits gibt es nicht mit 5 Datenbits"};
    }
    if (dcb.fOutxDsrFlow || dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) {
        return {ERROR_NOT_SUPPORTED, "DTR/DSR-Handshake wird unter Linux nicht unterstützt"};
    }
    if (dcb.fDsrSensitivity) {
        return {ERROR_NOT_SUPPORTED, "DSR-Empfindlichkeit wird unter Linux nicht unterstützt"};
    }
    if (dcb.fRtsControl > RTS_CONTROL_HANDSHAKE) {
        return {ERROR_NOT_SUPPORTED,
                "RTS-Umschaltung beim Senden wird unter Linux nicht unterstützt"};
    }
    if (dcb.fErrorChar) {
        return {ERROR_NOT_SUPPORTED,
                "Ersatzzeichen für gestörte Bytes wird unter Linux nicht unterstützt"};
    }
    if (dcb.fNull) {
        return {ERROR_NOT_SUPPORTED, "Verwerfen von Nullbytes wird unter Linux nicht unterstützt"};
    }
    if (dcb.fAbortOnError) {
        return {ERROR_NOT_SUPPORTED,
                "Abbruch bei Leitungsfehlern wird unter Linux nicht unterstützt"};
    }
    return {};
}

bool applyDcb(const DCB& dcb, termios& tio) {
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    if (refusedDcb(dcb)) {
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
    } else if (dcb.ByteSize == 5) {
        dcb.StopBits = ONE5STOPBITS; // what a UART sends for 5 data bits with CSTOPB
    } else if (dcb.StopBits == ONESTOPBIT) {
        dcb.StopBits = TWOSTOPBITS;
    }
    dcb.fBinary = 1;
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

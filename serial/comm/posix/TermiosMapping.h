#pragma once
// DCB <-> termios, both ways, as a terminal in raw mode: no echo, no line editing, no
// translation of CR or LF, reads return what has arrived (VMIN 0, VTIME 0).

#include "serial/comm/CommApi.h"

#include <termios.h>

namespace comm::posix {

// Why a DCB cannot be applied here: framing that Windows refuses as well (4 data bits, 1.5 stop
// bits with 6 to 8 data bits, 2 stop bits with 5) and settings that termios has no form for.
// SetCommState refuses such a DCB with this error and reason (shown in the open's failure).
struct Refusal {
    DWORD error = 0;
    const char* reason = nullptr;
    explicit operator bool() const { return reason != nullptr; }
};
Refusal refusedDcb(const DCB& dcb);

// Applies the DCB's framing, parity, flow control and XON/XOFF characters to tio. The speed is
// left to the caller (CustomBaud.h). False for a DCB that refusedDcb refuses.
//
// A byte that arrives with a parity error is handed out as the line carried it, as Windows
// does (termios' INPCK would turn it into 0x00); the driver's counters report the error.
bool applyDcb(const DCB& dcb, termios& tio);
// Overwrites the DCB fields that termios knows from tio (not the bit rate, not the parity
// check, which the tty does not keep).
void readDcb(const termios& tio, DCB& dcb);

} // namespace comm::posix

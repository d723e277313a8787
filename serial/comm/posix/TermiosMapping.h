#pragma once
// DCB <-> termios, both ways, as a terminal in raw mode: no echo, no line editing, no
// translation of CR or LF, reads return what has arrived (VMIN 0, VTIME 0).

#include "serial/comm/CommApi.h"

#include <termios.h>

namespace comm::posix {

// Applies the DCB's framing, parity, flow control and XON/XOFF characters to tio. The speed is
// left to the caller (CustomBaud.h). False when a field has no termios form (e.g. 4 data bits).
bool applyDcb(const DCB& dcb, termios& tio);
// Overwrites the DCB fields that termios knows from tio (not the bit rate).
void readDcb(const termios& tio, DCB& dcb);

} // namespace comm::posix

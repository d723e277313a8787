#pragma once
// The line's bit rate. Linux sets it through the termios2 interface (which cannot share a
// translation unit with <termios.h>), so that rates without a Bnnn constant (14400, 28800,
// 56000, 128000, 256000) work, and both directions always get the same rate.

namespace comm::posix {

// Sets input and output rate of the open tty to the rate and reads back what the driver set;
// false when the driver refuses the rate or cannot be asked.
bool setLineSpeed(int fd, unsigned rate, unsigned& in, unsigned& out);
// The input and output rate as the driver reports them; false when unknown.
bool lineSpeed(int fd, unsigned& in, unsigned& out);
// Whether a rate the driver set is close enough to the one asked for for a UART at the far
// end to read it: within 2 %.
bool rateAccepted(unsigned asked, unsigned got);

} // namespace comm::posix

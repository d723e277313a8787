#pragma once
// Bit rates that termios has no Bnnn constant for (14400, 28800, 56000, 128000, 256000) go
// through the Linux termios2 interface, which cannot share a translation unit with <termios.h>.

namespace comm::posix {

// Sets both directions of the open tty to the rate; false when the driver refuses it.
bool setCustomBaud(int fd, unsigned rate);
// The output rate of the open tty as the driver reports it; 0 when unknown.
unsigned customBaud(int fd);

} // namespace comm::posix

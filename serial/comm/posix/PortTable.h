#pragma once
// Which device stands behind a port name on a POSIX system.
//
// A folder of symbolic links named COM1 .. COM99 wins per number: $KORVEL_PORTS if set, else
// ~/.config/korvel/ports. Numbers that the folder does not name use the built-in table, chosen
// so that either kind of USB adapter is found by both programs' start-up probes (COM1 to COM4
// at once, then up to COM8 or COM9):
//   COM1-COM2 = /dev/ttyUSB0-1, COM3-COM4 = /dev/ttyACM0-1, COM5-COM8 = /dev/ttyS0-3,
//   COM9-COM10 = /dev/ttyUSB2-3, COM11-COM12 = /dev/ttyACM2-3, COM13-COM16 = /dev/ttyAMA0-3.
// The table is read again at every look-up, so links added or removed while a program runs
// count at once.

#include <optional>
#include <string>
#include <sys/types.h>

namespace comm::posix {

// The port number of "COMn" or "\\.\COMn" (any letter case), 1 to 99; nullopt for any other
// name.
std::optional<int> portNumberOfName(const std::string& name);

// The folder of port links in force (may not exist); empty when there is no home folder.
std::string portFolder();

// The device path for a port number: the folder's link (even when its target is missing, so a
// dangling link hides a port), else the built-in table's device; empty when neither names one.
std::string devicePathOfPort(int number);

// Whether a character device is the slave side of a pseudo-terminal.
bool isPtySlave(dev_t rdev);

// Whether the device of a port is there, decided without opening it: a character device; a
// pseudo-terminal always counts; else a sysfs "type" of 0 (a legacy node with no UART behind
// it) means absent.
bool portPresent(int number);

} // namespace comm::posix

#pragma once
// The start-up of DruckKorvel, once the application object exists: the port registry is made
// (it probes COM1 to COM4), the help file is named, and the main window is created; its own
// start-up step reads the settings file while only COM1 to COM4 are known, so a stored port
// above 4 is not restored. Then the probe is extended to COM8, the customer-information window
// is created hidden, ports that come and go reach the registry through the main window's hook
// chain, and the main window's end (programEnds) ends the application's event loop, also while
// another window is open.

#include <QString>
#include <memory>

namespace printcapture {

class TForm1;

// `programFolder` as for TForm1: empty means the folder of the running program file.
std::unique_ptr<TForm1> startDruckKorvel(const QString& programFolder = {});

} // namespace printcapture

#pragma once
// The start-up of korveltool, once the application object exists: the port probe is extended
// to COM9 (the registry probed COM1 to COM4 when it was created), the help file is named, then
// the four windows are created in their order: the main window, the bus-element decoder, the
// detector decoder, the fault viewer. The three last stay hidden. Ports that come and go reach
// the registry through the main window's hook chain.

#include <memory>

namespace servicetool {

class TForm1;

std::unique_ptr<TForm1> startKorvelTool();

} // namespace servicetool

#pragma once
// The start-up of korveltool creates the diagnose windows after the main window, hidden and
// owned by it; the "Diagnose" menu shows them.

namespace servicetool {

class TForm1;

// Creates the bus-element window, the detector window (which reads its file list now) and the
// fault-description window (which reads its document now), in this order.
void createDiagnoseWindows(TForm1& mainWindow);

} // namespace servicetool

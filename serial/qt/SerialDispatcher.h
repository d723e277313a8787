#pragma once
// Gives the serial layer its way into the GUI thread: a serial component whose
// SyncEventHandling is set has its line events handled in the GUI thread, and a failing handler
// there goes to the toolkit's error report. Call once at program start, after the
// QApplication exists:
//     serialqt::installSerialDispatcher();

namespace serialqt {

void installSerialDispatcher();

} // namespace serialqt

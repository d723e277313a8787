#pragma once
// Pictures of windows for a person to look at (and for the README, scripts/screenshots.sh):
// saved only when KORVEL_SHOTS names a folder, never part of a normal run.

class QWidget;

namespace testsupport {

// Saves the widget as <KORVEL_SHOTS>/<name> (a .png name); does nothing when it is unset.
void saveScreenshot(QWidget& widget, const char* name);

} // namespace testsupport

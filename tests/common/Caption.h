#pragma once
// The caption a window shows in its title bar: its title as the platform's window hands it to
// the window manager. Qt appends the application's display name there ("Einstellungen —
// Korvel-Tool", on Windows with " - ") whenever one is set, which QWidget::windowTitle() never
// shows.

#include <QString>

class QWidget;

namespace testsupport {

QString shownCaption(const QWidget& window);

} // namespace testsupport

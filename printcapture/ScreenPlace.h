#pragma once
// Where a window stored in a settings file may stand. The file may come from another machine or
// from a time with a second screen: a window placed beyond every screen would be shown where
// nobody sees it and nobody can grab it.

#include <QList>
#include <QPoint>
#include <QRect>

namespace printcapture {

// A window can be grabbed when its title strip (the top `kGripHeight` pixels) shows on one screen
// at least `kGripWidth` pixels wide (or the whole window width, when narrower) and `kGripShown`
// pixels high: a window a little above the top edge, as a window manager may leave it, stays.
inline constexpr int kGripHeight = 20;
inline constexpr int kGripShown = 6;
inline constexpr int kGripWidth = 40;

// The top-left corner for a window of `frame`: unchanged when some screen's area in `screens`
// shows its title strip, else centred on `primary` (its top-left when the window is larger).
QPoint placeOnScreen(const QRect& frame, const QList<QRect>& screens, const QRect& primary);

} // namespace printcapture

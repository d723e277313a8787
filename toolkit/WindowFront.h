#pragma once
// Bringing a window that already exists to the user: a hidden window is shown, one behind
// others comes to the front, and one that is open but inactive gets the keyboard focus. The
// windows that a menu shows without blocking (the customer window, the decoders) come up this
// way, so a second click on the menu finds the window instead of doing nothing visible.

class QWidget;

namespace toolkit {

// Shows, raises and activates `window`; nothing for nullptr.
void bringToFront(QWidget* window);

} // namespace toolkit

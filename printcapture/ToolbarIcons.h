#pragma once
// The small two-state pictures of the toolbar buttons (enabled, disabled), drawn here so the
// program ships no image files.

#include <QIcon>

namespace printcapture {

enum class ToolbarPicture { Start, Stop, Clear, Exit };

QIcon toolbarIcon(ToolbarPicture picture);

} // namespace printcapture

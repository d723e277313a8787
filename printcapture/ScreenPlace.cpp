#include "ScreenPlace.h"

#include <algorithm>

namespace printcapture {

QPoint placeOnScreen(const QRect& frame, const QList<QRect>& screens, const QRect& primary) {
    const QRect grip(frame.left(), frame.top(), frame.width(), kGripHeight);
    const int wide = std::min(kGripWidth, frame.width());
    for (const QRect& screen : screens) {
        const QRect shown = screen.intersected(grip);
        if (shown.width() >= wide && shown.height() >= kGripShown) {
            return frame.topLeft();
        }
    }
    return {primary.left() + std::max(0, (primary.width() - frame.width()) / 2),
            primary.top() + std::max(0, (primary.height() - frame.height()) / 2)};
}

} // namespace printcapture

#include "CaptureDisplay.h"

#include "toolkit/LineView.h"

#include <algorithm>

namespace printcapture {

namespace {

bool appendOne(toolkit::LineView& view, const QString& text, const QTextCharFormat& format) {
    if (view.appendEntry(text, format)) {
        return true;
    }
    const qint64 lacking = view.characterCount() + view.entrySize(text) - view.textLimit();
    if (view.textLimit() <= 0 || view.lineCount() == 0 || lacking <= 0) {
        return false; // the widget refused, not the limit
    }
    return view.appendReplacingOldest(text, format, view.linesHolding(lacking));
}

} // namespace

bool appendMakingRoom(toolkit::LineView& view, const QString& text, const QTextCharFormat& format) {
    const qint64 limit = view.textLimit();
    if (limit <= 0 || text.size() < limit) {
        return appendOne(view, text, format);
    }
    // A piece leaves room for the line end before it, also in a display with a tiny limit.
    const qsizetype piece = std::clamp<qint64>(limit - 1, 1, kPieceLength);
    for (qsizetype at = 0; at < text.size(); at += piece) {
        if (!appendOne(view, text.mid(at, piece), format)) {
            return false;
        }
    }
    return true;
}

} // namespace printcapture

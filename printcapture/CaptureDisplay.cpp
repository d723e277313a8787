#include "CaptureDisplay.h"

#include "toolkit/LineView.h"

#include <algorithm>

namespace printcapture {

namespace {

// Whether the text limit (rather than the widget) is what refuses the entry. Counts a CR LF
// inside the text as two characters, so it errs towards making room.
bool limitRefuses(const toolkit::LineView& view, const QString& text) {
    const qint64 limit = view.textLimit();
    return limit > 0 && view.lineCount() > 0 && view.characterCount() + text.size() + 1 > limit;
}

bool appendOne(toolkit::LineView& view, const QString& text, const QTextCharFormat& format,
               int block) {
    while (!view.appendEntry(text, format)) {
        if (!limitRefuses(view, text)) {
            return false;
        }
        view.deleteFirstLines(block);
    }
    return true;
}

} // namespace

bool appendMakingRoom(toolkit::LineView& view, const QString& text, const QTextCharFormat& format,
                      int block) {
    block = std::max(block, 1);
    const qint64 limit = view.textLimit();
    if (limit <= 0 || text.size() < limit) {
        return appendOne(view, text, format, block);
    }
    // A piece leaves room for the line end before it, also in a display with a tiny limit.
    const qsizetype piece = std::clamp<qint64>(limit - 1, 1, kPieceLength);
    // Each piece takes only the room it needs: a block of the trim's size would be a hundred
    // pieces, which is the whole display.
    for (qsizetype at = 0; at < text.size(); at += piece) {
        if (!appendOne(view, text.mid(at, piece), format, 1)) {
            return false;
        }
    }
    return true;
}

} // namespace printcapture

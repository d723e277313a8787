#pragma once
// Appending to the capture display without losing a line to its text limit.

#include <QString>
#include <QTextCharFormat>

namespace toolkit {
class LineView;
}

namespace printcapture {

// Appends `text` as one entry. When the display's text limit refuses it, the oldest lines go
// in blocks of `block` lines (the size the keep-alive trim uses) until it fits. A text that
// would not fit even an empty display is shown as lines of at most `kPieceLength` characters,
// each deleting the oldest lines one by one, only as far as it needs: the display then ends
// with as much of the text as the limit allows. Returns false only when the view
// refuses even then (it then keeps whatever it held).
inline constexpr int kPieceLength = 1024;

bool appendMakingRoom(toolkit::LineView& view, const QString& text, const QTextCharFormat& format,
                      int block);

} // namespace printcapture

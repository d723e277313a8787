#pragma once
// Appending to the capture display without losing a line to its text limit.

#include <QString>
#include <QTextCharFormat>

namespace toolkit {
class LineView;
}

namespace printcapture {

// Appends `text` as one entry. When the display's text limit refuses it, the oldest lines go
// in blocks of `block` lines (the size the keep-alive trim uses) until it fits; a text longer
// than the limit itself is shown in pieces that each fit an empty display. Returns false only
// when the view refuses even then (it then keeps whatever it held).
bool appendMakingRoom(toolkit::LineView& view, const QString& text, const QTextCharFormat& format,
                      int block);

} // namespace printcapture

#pragma once
// Appending to the capture display without losing a line to its character bound.
//
// The display keeps its line limit (the keep-alive trim); the character bound is only a guard for
// memory, large enough for the largest line limit of the line-limit box with lines as long as a
// printer prints them. When a line still does not fit (a line limit from the settings file far
// beyond the box's, lines longer than a printer's), only as many of the oldest lines go as the
// new line needs.

#include <QString>
#include <QTextCharFormat>

namespace toolkit {
class LineView;
}

namespace printcapture {

// Characters of the display: 32 000 lines (the line-limit box's largest limit) of 256
// characters, each with its line end.
inline constexpr int kDisplayLineLength = 256;
inline constexpr int kDisplayTextLimit = 32000 * (kDisplayLineLength + 1);

// Appends `text` as one entry. When the display's text limit refuses it, the oldest lines that
// hold the characters it lacks are deleted, and no more. A text that would not fit even an empty
// display is shown as lines of at most `kPieceLength` characters, each making its own room: the
// display then ends with as much of the text as the limit allows. Returns false only when the
// view refuses even then (it then keeps whatever it held).
inline constexpr int kPieceLength = 1024;

bool appendMakingRoom(toolkit::LineView& view, const QString& text, const QTextCharFormat& format);

} // namespace printcapture

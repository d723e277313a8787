#pragma once
// Fills a line view with 8-bit text, as the programs' panel text is: for tests and benchmarks
// that build a view's content without a program around it.

#include "toolkit/LineView.h"
#include "toolkit/Win1252.h"

#include <string_view>

namespace testsupport {

// One entry of Windows-1252 text; the view's appendEntry() decides and answers.
inline bool appendEntry8(toolkit::LineView& view, std::string_view win1252,
                         const QTextCharFormat& format) {
    return view.appendEntry(toolkit::fromWin1252(win1252), format);
}

} // namespace testsupport

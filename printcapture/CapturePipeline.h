#pragma once
// The receive pipeline of the printer capture, without widgets: cutting the panel's lines out of
// the received bytes, converting its German letters, choosing the style of a line and the
// texts of the recording markers. The window only wires these to the port and the display.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace printcapture {

enum class LineStyle { Regular, Bold, Italic };

// The panel's printer turns DC1 into nothing and prints the seven German letters in code page
// 437; the display shows Windows-1252. Every other byte passes unchanged.
std::string convertLine(std::string_view line);

// Style of a converted line: bold when its first byte is above a blank, regular for a leading
// blank or control byte; nothing (the current style stays) for lines shorter than two bytes.
std::optional<LineStyle> styleForLine(std::string_view converted);

// The markers the program writes itself; both start with "0*", which is how saved captures
// tell them from printed lines. `time` is the long time text, e.g. "14:05:09".
std::string startMarker(std::string_view time);
std::string endMarker(std::string_view time);
// The adapter was unplugged during a recording, and the recording went on when it came back.
std::string interruptedMarker(std::string_view time);
std::string resumedMarker(std::string_view time);
// A line in the marker's form saying that a file could not be written.
std::string failureMarker(std::string_view text);

// Number of oldest lines one trim removes at the given line limit (0 for a negative limit).
int trimBlock(int maxLines);

// Bytes received but not yet shown. The panel ends a printed line with LF CR (in this order);
// a CR LF pair or a lone CR or LF is part of the line text.
//
// The buffer is bounded: a stream that never holds LF CR (wrong line settings, a printer that
// ends lines differently) must neither grow memory without end nor be thrown away. Once more
// than `kBound` bytes wait, takeLine() hands out the oldest `kOverflowLine` bytes as a line of
// their own, and overBound() tells the poll to take further lines until the backlog is within
// the bound again.
class LineBuffer {
public:
    static constexpr std::size_t kBound = 1u << 20;
    static constexpr std::size_t kOverflowLine = 1024;

    void append(std::string_view bytes);
    // The next complete line without its LF CR, or nothing when none is complete.
    std::optional<std::string> takeLine();
    bool overBound() const { return size() > kBound; }
    // Whether the last line taken was cut at the bound rather than ended by LF CR.
    bool lastLineWasCut() const { return m_lastCut; }

    std::size_t size() const { return m_bytes.size() - m_start; }
    bool empty() const { return size() == 0; }
    void clear();
    std::string_view pending() const { return std::string_view(m_bytes).substr(m_start); }

private:
    std::optional<std::size_t> findLineEnd();
    std::string take(std::size_t count, std::size_t skip);

    std::string m_bytes;
    std::size_t m_start = 0;    // bytes before this offset are already taken
    std::size_t m_scanFrom = 0; // no LF CR starts before this offset (relative to m_start)
    bool m_lastCut = false;
};

} // namespace printcapture

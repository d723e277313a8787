#pragma once
// A compact, append-only store of 8-bit lines with a colour per entry, for protocols that run
// for hours. The text lies in fixed chunks of 1 MiB, one LF byte between two lines, so the
// memory held is the text plus at most one chunk; an index keeps the start of every 64th line
// and colours are kept as runs (one record per change of colour, not per line). Appending
// costs the length of the appended text, whatever the store already holds; finding a line
// costs at most 63 line lengths.
//
// The store sets no limit of its own: its users decide what they accept. It holds bytes as
// given (Windows-1252 in this system); an LF in appended text starts a new line, CR is text.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

using Rgb = std::uint32_t; // 0xRRGGBB

class LineStore {
public:
    struct Run {
        std::size_t from; // first byte of the run within the line
        Rgb colour;
    };

    LineStore();
    ~LineStore();
    LineStore(const LineStore&) = delete;
    LineStore& operator=(const LineStore&) = delete;

    bool empty() const { return m_lines == 0; }
    std::size_t lineCount() const { return m_lines; }
    // Bytes held, each line end counting one.
    std::uint64_t size() const { return m_size; }
    // Length of the longest line in bytes.
    std::size_t longestLine() const { return m_longest; }

    // Starts a new, empty line in the given colour (the first line of an empty store).
    void startLine(Rgb colour);
    // Appends to the last line (starting the first one in an empty store).
    void appendText(std::string_view bytes, Rgb colour);
    void clear();

    std::size_t lineLength(std::size_t line) const;
    // Up to `count` bytes of the line from byte `from` on.
    std::string lineText(std::size_t line, std::size_t from = 0,
                         std::size_t count = std::string::npos) const;
    // Where byte `column` of the line lies in the whole text (clamped to the line and the
    // store), and the text between two such places, lines separated by LF.
    std::uint64_t offsetOf(std::size_t line, std::size_t column) const;
    std::string bytes(std::uint64_t from, std::uint64_t to) const;
    // The colour runs of a line; the first starts at 0. A line always has one.
    std::vector<Run> lineRuns(std::size_t line) const;

    // The colours in order of first use.
    std::vector<Rgb> colours() const;

    // Hands the whole text to `sink` in order, as pieces of one colour that hold no line end,
    // with a call of `lineEnd()` between two lines. Costs the size of the text, no copy of it.
    template <class Sink> void visit(Sink& sink) const;

private:
    struct ColourRun {
        std::uint64_t offset; // first byte in the whole text
        Rgb colour;
    };
    static constexpr std::size_t kChunkShift = 20;
    static constexpr std::size_t kChunkBytes = std::size_t{1} << kChunkShift;
    static constexpr std::size_t kIndexShift = 6; // every 64th line start is kept

    void putBytes(std::string_view bytes);
    void setColour(Rgb colour);
    void lineStarted();
    std::uint64_t lineStart(std::size_t line) const;
    std::uint64_t lineEnd(std::uint64_t start) const;
    // Offset of the next LF at or after `from`, or size() when there is none.
    std::uint64_t findLineEnd(std::uint64_t from) const;
    void copyOut(std::uint64_t from, std::size_t count, std::string& out) const;
    std::size_t runAt(std::uint64_t offset) const;

    std::vector<std::unique_ptr<char[]>> m_chunks;
    std::vector<std::uint64_t> m_index; // start of lines 0, 64, 128, ...
    std::vector<ColourRun> m_runs;
    std::uint64_t m_size = 0;
    std::uint64_t m_lastLineStart = 0;
    std::size_t m_lines = 0;
    std::size_t m_longest = 0;
};

template <class Sink> void LineStore::visit(Sink& sink) const {
    std::uint64_t pos = 0;
    std::size_t run = 0;
    while (pos < m_size) {
        while (run + 1 < m_runs.size() && m_runs[run + 1].offset <= pos) {
            ++run;
        }
        std::uint64_t stop = m_size;
        if (run + 1 < m_runs.size()) {
            stop = m_runs[run + 1].offset;
        }
        const std::uint64_t chunkEnd = ((pos >> kChunkShift) + 1) << kChunkShift;
        stop = stop < chunkEnd ? stop : chunkEnd;
        const char* base = m_chunks[pos >> kChunkShift].get() + (pos & (kChunkBytes - 1));
        std::string_view span(base, static_cast<std::size_t>(stop - pos));
        while (!span.empty()) {
            const std::size_t lf = span.find('\n');
            if (lf == std::string_view::npos) {
                sink.text(span, m_runs[run].colour);
                break;
            }
            if (lf > 0) {
                sink.text(span.substr(0, lf), m_runs[run].colour);
            }
            sink.lineEnd();
            span.remove_prefix(lf + 1);
        }
        pos = stop;
    }
}

} // namespace toolkit

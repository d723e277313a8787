#include "LineStore.h"

#include <algorithm>
#include <cstring>

namespace toolkit {

LineStore::LineStore() = default;
LineStore::~LineStore() = default;

void LineStore::clear() {
    m_chunks.clear();
    m_index.clear();
    m_runs.clear();
    m_size = 0;
    m_lastLineStart = 0;
    m_lines = 0;
    m_longest = 0;
}

void LineStore::lineStarted() {
    if ((m_lines & ((std::size_t{1} << kIndexShift) - 1)) == 0) {
        m_index.push_back(m_lastLineStart);
    }
    ++m_lines;
}

// A run begins where the next byte goes; a run that has no byte yet is recoloured instead.
void LineStore::setColour(Rgb colour) {
    if (!m_runs.empty() && m_runs.back().offset == m_size) {
        m_runs.back().colour = colour;
        if (m_runs.size() > 1 && m_runs[m_runs.size() - 2].colour == colour) {
            m_runs.pop_back();
        }
        return;
    }
    if (m_runs.empty() || m_runs.back().colour != colour) {
        m_runs.push_back({m_size, colour});
    }
}

void LineStore::startLine(Rgb colour) {
    if (m_lines > 0) {
        putBytes("\n");
    } else {
        lineStarted();
    }
    setColour(colour);
}

void LineStore::appendText(std::string_view bytes, Rgb colour) {
    if (m_lines == 0) {
        lineStarted();
    }
    if (bytes.empty()) {
        return;
    }
    setColour(colour);
    putBytes(bytes);
}

void LineStore::putBytes(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t inChunk = static_cast<std::size_t>(m_size & (kChunkBytes - 1));
        if (inChunk == 0 && (m_size >> kChunkShift) == m_chunks.size()) {
            // Not zeroed: pages are taken from the system as they are written.
            m_chunks.push_back(std::unique_ptr<char[]>(new char[kChunkBytes]));
        }
        const std::size_t n = std::min(bytes.size(), kChunkBytes - inChunk);
        char* target = m_chunks[m_size >> kChunkShift].get() + inChunk;
        std::memcpy(target, bytes.data(), n);
        // Line ends in this span: count them and note where each new line starts.
        const char* p = target;
        const char* end = target + n;
        while (const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
            const char* at = static_cast<const char*>(lf);
            const std::uint64_t offset = m_size + static_cast<std::uint64_t>(at - target);
            m_longest = std::max(m_longest, static_cast<std::size_t>(offset - m_lastLineStart));
            m_lastLineStart = offset + 1;
            lineStarted();
            p = at + 1;
        }
        m_size += n;
        bytes.remove_prefix(n);
    }
    m_longest = std::max(m_longest, static_cast<std::size_t>(m_size - m_lastLineStart));
}

std::uint64_t LineStore::findLineEnd(std::uint64_t from) const {
    while (from < m_size) {
        const std::size_t inChunk = static_cast<std::size_t>(from & (kChunkBytes - 1));
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunkBytes - inChunk, m_size - from));
        const char* base = m_chunks[from >> kChunkShift].get() + inChunk;
        if (const void* lf = std::memchr(base, '\n', n)) {
            return from + static_cast<std::uint64_t>(static_cast<const char*>(lf) - base);
        }
        from += n;
    }
    return m_size;
}

std::uint64_t LineStore::lineStart(std::size_t line) const {
    if (line + 1 == m_lines) {
        return m_lastLineStart;
    }
    std::uint64_t start = m_index[line >> kIndexShift];
    for (std::size_t skip = line & ((std::size_t{1} << kIndexShift) - 1); skip > 0; --skip) {
        start = findLineEnd(start) + 1;
    }
    return start;
}

std::uint64_t LineStore::lineEnd(std::uint64_t start) const {
    return start >= m_lastLineStart ? m_size : findLineEnd(start);
}

std::size_t LineStore::lineLength(std::size_t line) const {
    if (line >= m_lines) {
        return 0;
    }
    const std::uint64_t start = lineStart(line);
    return static_cast<std::size_t>(lineEnd(start) - start);
}

void LineStore::copyOut(std::uint64_t from, std::size_t count, std::string& out) const {
    while (count > 0) {
        const std::size_t inChunk = static_cast<std::size_t>(from & (kChunkBytes - 1));
        const std::size_t n = std::min(count, kChunkBytes - inChunk);
        out.append(m_chunks[from >> kChunkShift].get() + inChunk, n);
        from += n;
        count -= n;
    }
}

std::string LineStore::lineText(std::size_t line, std::size_t from, std::size_t count) const {
    std::string out;
    if (line >= m_lines) {
        return out;
    }
    const std::uint64_t start = lineStart(line);
    const std::uint64_t end = lineEnd(start);
    if (from >= end - start) {
        return out;
    }
    const std::size_t available = static_cast<std::size_t>(end - start) - from;
    copyOut(start + from, std::min(count, available), out);
    return out;
}

std::uint64_t LineStore::offsetOf(std::size_t line, std::size_t column) const {
    if (line >= m_lines) {
        return m_size;
    }
    const std::uint64_t start = lineStart(line);
    return std::min(start + column, lineEnd(start));
}

std::string LineStore::bytes(std::uint64_t from, std::uint64_t to) const {
    std::string out;
    to = std::min(to, m_size);
    if (from < to) {
        out.reserve(static_cast<std::size_t>(to - from));
        copyOut(from, static_cast<std::size_t>(to - from), out);
    }
    return out;
}

std::size_t LineStore::runAt(std::uint64_t offset) const {
    const auto after = std::upper_bound(
        m_runs.begin(), m_runs.end(), offset,
        [](std::uint64_t value, const ColourRun& run) { return value < run.offset; });
    return after == m_runs.begin() ? 0 : static_cast<std::size_t>(after - m_runs.begin()) - 1;
}

std::vector<LineStore::Run> LineStore::lineRuns(std::size_t line) const {
    std::vector<Run> out;
    if (line >= m_lines || m_runs.empty()) {
        out.push_back({0, 0});
        return out;
    }
    const std::uint64_t start = lineStart(line);
    const std::uint64_t end = lineEnd(start);
    std::size_t run = runAt(start);
    out.push_back({0, m_runs[run].colour});
    for (++run; run < m_runs.size() && m_runs[run].offset < end; ++run) {
        out.push_back({static_cast<std::size_t>(m_runs[run].offset - start), m_runs[run].colour});
    }
    return out;
}

std::vector<Rgb> LineStore::colours() const {
    std::vector<Rgb> out;
    for (const ColourRun& run : m_runs) {
        if (std::find(out.begin(), out.end(), run.colour) == out.end()) {
            out.push_back(run.colour);
        }
    }
    return out;
}

} // namespace toolkit

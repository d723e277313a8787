#include "CapturePipeline.h"

#include <array>
#include <cstring>

namespace printcapture {

namespace {

constexpr char kLF = '\x0A';
constexpr char kCR = '\x0D';
constexpr char kDC1 = '\x11';

// Code page 437 letters of the German alphabet and their Windows-1252 bytes.
struct Letter {
    unsigned char cp437;
    char win1252;
};
constexpr std::array<Letter, 7> kLetters = {{
    {0x8E, '\xC4'}, // Ä
    {0x99, '\xD6'}, // Ö
    {0x9A, '\xDC'}, // Ü
    {0x84, '\xE4'}, // ä
    {0x94, '\xF6'}, // ö
    {0x81, '\xFC'}, // ü
    {0xE1, '\xDF'}, // ß
}};

// Every other byte stays as it is.
constexpr std::array<char, 256> conversionTable() {
    std::array<char, 256> table{};
    for (std::size_t b = 0; b < table.size(); ++b) {
        table[b] = static_cast<char>(b);
    }
    for (const Letter& letter : kLetters) {
        table[letter.cp437] = letter.win1252;
    }
    return table;
}

constexpr std::array<char, 256> kToWin1252 = conversionTable();

} // namespace

std::string convertLine(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (char c : line) {
        if (c != kDC1) {
            out.push_back(kToWin1252[static_cast<unsigned char>(c)]);
        }
    }
    return out;
}

std::optional<LineStyle> styleForLine(std::string_view converted) {
    if (converted.size() < 2) {
        return std::nullopt;
    }
    return static_cast<unsigned char>(converted.front()) > 0x20 ? LineStyle::Bold
                                                                : LineStyle::Regular;
}

std::string startMarker(std::string_view time) {
    return "0****  Start Aufzeichnung " + std::string(time);
}

std::string endMarker(std::string_view time) {
    return "0****  Ende Aufzeichnung " + std::string(time);
}

std::string interruptedMarker(std::string_view time) {
    return "0****  Verbindung unterbrochen " + std::string(time);
}

std::string resumedMarker(std::string_view time) {
    return "0****  Verbindung wieder aufgenommen " + std::string(time);
}

std::string failureMarker(std::string_view text) {
    return "0****  " + std::string(text);
}

int trimBlock(int maxLines) {
    const int k = maxLines / 100;
    return k >= 0 ? k + 1 : 0;
}

void LineBuffer::append(std::string_view bytes) {
    if (bytes.empty()) {
        return;
    }
    // Compact once the taken prefix dominates, so appends stay amortised O(n).
    if (m_start > 4096 && m_start > m_bytes.size() / 2) {
        m_bytes.erase(0, m_start);
        m_start = 0;
    }
    m_bytes.append(bytes);
}

void LineBuffer::clear() {
    m_bytes.clear();
    m_start = 0;
    m_scanFrom = 0;
}

std::optional<std::size_t> LineBuffer::findLineEnd() {
    const std::string_view p = pending();
    std::size_t i = m_scanFrom;
    while (i + 1 < p.size()) {
        const auto* hit = static_cast<const char*>(std::memchr(p.data() + i, kLF, p.size() - i));
        if (hit == nullptr) {
            break;
        }
        i = static_cast<std::size_t>(hit - p.data());
        if (i + 1 < p.size() && p[i + 1] == kCR) {
            m_scanFrom = i;
            return i;
        }
        ++i;
    }
    // A trailing LF may still be followed by its CR in the next read.
    m_scanFrom = p.empty() ? 0 : p.size() - 1;
    return std::nullopt;
}

std::string LineBuffer::take(std::size_t count, std::size_t skip) {
    std::string line(pending().substr(0, count));
    m_lastCut = skip == 0;
    m_start += count + skip;
    // Nothing before the scan position ends a line, also after a cut at the bound.
    m_scanFrom = m_scanFrom > count + skip ? m_scanFrom - (count + skip) : 0;
    if (m_start == m_bytes.size()) {
        m_bytes.clear();
        m_start = 0;
    }
    return line;
}

std::optional<std::string> LineBuffer::takeLine() {
    const std::optional<std::size_t> end = findLineEnd();
    if (end && (!overBound() || *end <= kOverflowLine)) {
        return take(*end, 2);
    }
    if (overBound()) {
        return take(kOverflowLine, 0);
    }
    return std::nullopt;
}

} // namespace printcapture

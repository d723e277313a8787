#include "rtf_read_back.h"

#include <cctype>

std::string RtfParagraph::text() const {
    std::string out;
    for (const RtfRun& r : runs) {
        out += r.text;
    }
    return out;
}

QColor RtfParagraph::colour() const {
    QColor found;
    for (const RtfRun& r : runs) {
        if (r.text.empty()) {
            continue;
        }
        if (found.isValid() && found != r.colour) {
            return {};
        }
        found = r.colour;
    }
    return found;
}

namespace {

class Reader {
public:
    explicit Reader(const std::string& rtf) : m_in(rtf) {}

    RtfReadBack read() {
        if (m_in.rfind("{\\rtf1", 0) != 0) {
            m_out.error = "no {\\rtf1 header";
            return m_out;
        }
        m_out.paragraphs.emplace_back();
        int depth = 0;
        while (m_pos < m_in.size()) {
            const char c = m_in[m_pos++];
            if (c == '{') {
                ++depth;
                if (depth == 2) {
                    readTable();
                    --depth;
                }
            } else if (c == '}') {
                --depth;
            } else if (c == '\\') {
                controlWord();
            } else if (c != '\r' && c != '\n') {
                addText(std::string(1, c));
            }
        }
        if (depth != 0) {
            m_out.error = "unbalanced braces";
            return m_out;
        }
        // The writer ends the last line with \par as well.
        if (m_out.paragraphs.back().runs.empty()) {
            m_out.paragraphs.pop_back();
        }
        m_out.ok = true;
        return m_out;
    }

private:
    // {\fonttbl ...} and {\colortbl ;\red..\green..\blue..;}
    void readTable() {
        std::size_t close = m_pos;
        int depth = 1;
        while (close < m_in.size() && depth > 0) {
            if (m_in[close] == '\\') {
                close += 2;
                continue;
            }
            depth += m_in[close] == '{' ? 1 : m_in[close] == '}' ? -1 : 0;
            ++close;
        }
        const std::string group = m_in.substr(m_pos, close - m_pos - 1);
        m_pos = close;
        if (group.rfind("\\colortbl", 0) == 0) {
            parseColours(group.substr(9));
        } else if (group.rfind("\\fonttbl", 0) == 0) {
            // The name follows the last control word of the first font entry.
            const std::size_t semi = group.find(';');
            const std::size_t blank = group.find(' ', group.rfind('\\', semi));
            m_out.fontName = group.substr(blank + 1, semi - blank - 1);
        }
    }

    void parseColours(const std::string& table) {
        int r = 0, g = 0, b = 0;
        bool any = false;
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (table[i] == ';') {
                m_out.colourTable.push_back(any ? QColor(r, g, b) : QColor());
                r = g = b = 0;
                any = false;
            } else if (table[i] == '\\') {
                std::size_t j = i + 1;
                std::string word;
                while (j < table.size() && std::isalpha(static_cast<unsigned char>(table[j]))) {
                    word += table[j++];
                }
                const int value = std::atoi(table.c_str() + j);
                (word == "red" ? r : word == "green" ? g : b) = value;
                any = true;
                i = j - 1;
            }
        }
    }

    void controlWord() {
        const char c = m_in[m_pos];
        if (c == '\\' || c == '{' || c == '}') {
            addText(std::string(1, c));
            ++m_pos;
            return;
        }
        if (c == '\'') {
            const int v = std::stoi(m_in.substr(m_pos + 1, 2), nullptr, 16);
            addText(std::string(1, static_cast<char>(v)));
            m_pos += 3;
            return;
        }
        std::string word;
        while (m_pos < m_in.size() && std::isalpha(static_cast<unsigned char>(m_in[m_pos]))) {
            word += m_in[m_pos++];
        }
        std::string number;
        while (m_pos < m_in.size() &&
               (std::isdigit(static_cast<unsigned char>(m_in[m_pos])) || m_in[m_pos] == '-')) {
            number += m_in[m_pos++];
        }
        if (m_pos < m_in.size() && m_in[m_pos] == ' ') {
            ++m_pos;
        }
        if (word == "par") {
            m_out.paragraphs.emplace_back();
        } else if (word == "tab") {
            addText("\t");
        } else if (word == "cf") {
            const int index = number.empty() ? 0 : std::stoi(number);
            m_colour = index < static_cast<int>(m_out.colourTable.size()) ? m_out.colourTable[index]
                                                                          : QColor();
        }
    }

    void addText(const std::string& text) {
        auto& runs = m_out.paragraphs.back().runs;
        if (runs.empty() || runs.back().colour != m_colour) {
            runs.push_back({{}, m_colour});
        }
        runs.back().text += text;
    }

    const std::string& m_in;
    std::size_t m_pos = 0;
    QColor m_colour;
    RtfReadBack m_out;
};

} // namespace

RtfReadBack readBackRtf(const std::string& rtf) {
    return Reader(rtf).read();
}

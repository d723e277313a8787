#include "RtfWriter.h"

#include "LineView.h"
#include "TextFile.h"
#include "Win1252.h"

#include <QTextBlock>
#include <QTextDocument>
#include <vector>

namespace toolkit {

namespace {

struct RunStyle {
    int colour = 0; // index into the colour table, 1-based; 0 = automatic
    bool bold = false;
    bool italic = false;
    bool operator==(const RunStyle&) const = default;
};

class ColourTable {
public:
    int indexOf(const QColor& c) {
        const QRgb rgb = c.rgb() & 0xFFFFFF;
        for (std::size_t i = 0; i < m_colours.size(); ++i) {
            if (m_colours[i] == rgb) {
                return static_cast<int>(i) + 1;
            }
        }
        m_colours.push_back(rgb);
        return static_cast<int>(m_colours.size());
    }
    std::string text() const {
        // The leading ";" is entry 0, the reader's automatic colour.
        std::string out = "{\\colortbl ;";
        for (QRgb rgb : m_colours) {
            out += "\\red" + std::to_string(qRed(rgb)) + "\\green" + std::to_string(qGreen(rgb)) +
                   "\\blue" + std::to_string(qBlue(rgb)) + ";";
        }
        return out + "}";
    }

private:
    std::vector<QRgb> m_colours;
};

std::string hexByte(unsigned char b) {
    static const char digits[] = "0123456789abcdef";
    return {'\\', '\'', digits[b >> 4], digits[b & 0x0F]};
}

std::string styleSwitch(const RunStyle& from, const RunStyle& to) {
    std::string out;
    if (from.colour != to.colour) {
        out += "\\cf" + std::to_string(to.colour);
    }
    if (from.bold != to.bold) {
        out += to.bold ? "\\b" : "\\b0";
    }
    if (from.italic != to.italic) {
        out += to.italic ? "\\i" : "\\i0";
    }
    // A blank ends the last control word; it is not part of the text.
    return out.empty() ? out : out + " ";
}

RunStyle styleOf(const QTextCharFormat& format, ColourTable& colours) {
    RunStyle s;
    const QColor c = format.foreground().style() == Qt::NoBrush ? QColor(Qt::black)
                                                                : format.foreground().color();
    s.colour = colours.indexOf(c);
    s.bold = format.fontWeight() >= QFont::Bold;
    s.italic = format.fontItalic();
    return s;
}

} // namespace

std::string rtfHeader(const RtfOptions& options, const std::string& colourTable) {
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 " +
           rtfEscape(toWin1252(options.fontName)) + ";}}\r\n" + colourTable +
           "\r\n\\viewkind4\\uc1\\pard\\f0\\fs" + std::to_string(options.fontSizeHalfPoints) + " ";
}

std::string rtfEscape(const std::string& win1252) {
    std::string out;
    out.reserve(win1252.size() + 8);
    for (char ch : win1252) {
        const auto b = static_cast<unsigned char>(ch);
        if (ch == '\\' || ch == '{' || ch == '}') {
            out += '\\';
            out += ch;
        } else if (ch == '\t') {
            out += "\\tab ";
        } else if (b >= 0x80 || b < 0x20) {
            out += hexByte(b);
        } else {
            out += ch;
        }
    }
    return out;
}

std::string rtfFromDocument(const QTextDocument& document, const RtfOptions& options) {
    ColourTable colours;
    std::string body;
    RunStyle current;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin()) {
            body += "\\par\r\n";
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const RunStyle style = styleOf(fragment.charFormat(), colours);
            body += styleSwitch(current, style);
            current = style;
            body += rtfEscape(toWin1252(fragment.text()));
        }
    }
    return rtfHeader(options, colours.text()) + body + "\\par\r\n}\r\n";
}

std::string rtfFromLineView(const LineView& view, const RtfOptions& options) {
    return rtfFromDocument(*view.document(), options);
}

bool saveLineViewAsRtf(const LineView& view, const QString& path, QString* error,
                       const RtfOptions& options) {
    return writeFileAtomic(path, rtfFromLineView(view, options), error);
}

namespace {

std::string lineText(const std::string& win1252) {
    std::string out = win1252;
    for (char& c : out) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return rtfEscape(out);
}

} // namespace

std::string rtfFromLines(const std::vector<RtfLine>& lines, const RtfFont& font) {
    const std::string size = "\\fs" + std::to_string(font.pointSize * 2);
    std::string out =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 " +
        rtfEscape(toWin1252(font.name)) + ";}}\r\n\\viewkind4\\uc1" + size + "\r\n";
    std::size_t bytes = out.size();
    for (const RtfLine& line : lines) {
        bytes += line.text.size() + 32;
    }
    out.reserve(bytes);
    for (const RtfLine& line : lines) {
        out += "\\pard\\plain\\f0";
        out += size;
        out += line.bold ? "\\b" : "\\b0";
        out += line.italic ? "\\i " : "\\i0 ";
        out += lineText(line.text);
        out += "\\par\r\n";
    }
    return out + "}\r\n";
}

std::vector<RtfLine> rtfLinesFromDocument(const QTextDocument& document) {
    std::vector<RtfLine> lines;
    if (document.isEmpty()) {
        return lines;
    }
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextCharFormat format =
            block.length() > 1 ? block.begin().fragment().charFormat() : block.charFormat();
        lines.push_back(
            {toWin1252(block.text()), format.fontWeight() >= QFont::Bold, format.fontItalic()});
    }
    return lines;
}

} // namespace toolkit

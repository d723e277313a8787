#pragma once
// Writes the lines of a view as rich text with their colours (and bold/italic), in a form that
// WordPad, Word and LibreOffice read: code page 1252, bytes 0x80-0xFF as \'hh, backslash and
// braces escaped, one paragraph per line.

#include <QString>
#include <string>
#include <vector>

class QTextDocument;

namespace toolkit {

class LineView;

struct RtfOptions {
    QString fontName = QStringLiteral("Courier New");
    int fontSizeHalfPoints = 20; // 10 pt
};

// The file's opening up to the first text, with the colour table given as
// "{\colortbl ;\redR\greenG\blueB;...}" (entry 0 the automatic colour).
std::string rtfHeader(const RtfOptions& options, const std::string& colourTable);

std::string rtfFromDocument(const QTextDocument& document, const RtfOptions& options = {});
std::string rtfFromLineView(const LineView& view, const RtfOptions& options = {});

// Writes the view to a file through a temporary file and a rename. On failure returns false
// with a German error text.
bool saveLineViewAsRtf(const LineView& view, const QString& path, QString* error = nullptr,
                       const RtfOptions& options = {});

// A document of plain styled lines: one paragraph per line, each line in one style, all in one
// font. Used for the printer capture's export and protocol file, which must open with the
// stated font and size in WordPad and LibreOffice alike.
struct RtfLine {
    std::string text; // Windows-1252; a CR or LF inside is written as a blank
    bool bold = false;
    bool italic = false;
};

struct RtfFont {
    QString name;
    int pointSize = 12;
};

// Every paragraph states its style in full, so a reader that resets the character format at a
// paragraph (or drops a line) cannot carry a style over to the next line. No lines give a
// document without paragraphs.
std::string rtfFromLines(const std::vector<RtfLine>& lines, const RtfFont& font);

// The lines of a text document with the style of each line's first character (an empty line:
// its block's character format).
std::vector<RtfLine> rtfLinesFromDocument(const QTextDocument& document);

// The text of one run, escaped for rich text.
std::string rtfEscape(const std::string& win1252);

} // namespace toolkit

#pragma once
// Writes the lines of a view as rich text with their colours (and bold/italic), in a form that
// WordPad, Word and LibreOffice read: code page 1252, bytes 0x80-0xFF as \'hh, backslash and
// braces escaped, one paragraph per line.

#include <QString>
#include <string>

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

// The text of one run, escaped for rich text.
std::string rtfEscape(const std::string& win1252);

} // namespace toolkit

#pragma once
// Reads an RTF document back as a reader shows it, so a test can say what a saved file holds:
// - readBackRtf / readRtfLines: through the project's own reader (tested on its own against
//   hand-written rules and real documents) into paragraphs, each with its text, colour and
//   look. A paragraph ends at \par; text after the last one is not a paragraph.
// - libreOfficeText: through LibreOffice's text export, a second reader that owes nothing to
//   our code, one string per paragraph (empty paragraphs at the end dropped); nullopt when
//   LibreOffice is not installed.

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A paragraph with the look of its first text.
struct ReadLine {
    QString text;
    char style = '?'; // 'b', 'i', 'r'; '?' for an empty line, which has no run to look at
    int halfPoints = 0;
    std::string font;
};

struct RtfRun {
    std::string text; // Windows-1252 bytes
    QColor colour;    // invalid: automatic
};

struct RtfParagraph {
    std::vector<RtfRun> runs;
    ReadLine look; // the paragraph as readRtfLines() gives it
    std::string text() const;
    // The one colour of the paragraph's text; invalid if it has none or several.
    QColor colour() const;
};

struct RtfReadBack {
    bool ok = false;      // a document that the reader took to its end
    std::string error;    // why not
    std::string fontName; // the font of the first text
    std::vector<RtfParagraph> paragraphs;
};

RtfReadBack readBackRtf(const std::string& rtf);

std::vector<ReadLine> readRtfLines(const std::string& rtf);

std::optional<QStringList> libreOfficeText(const QString& rtfPath);

} // namespace testsupport

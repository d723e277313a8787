#pragma once
// A small reader for the rich text our protocol files hold: the colour table, \cfN runs,
// \par, \tab, \'hh and the escaped backslash and braces. Enough to check what a saved
// protocol says, independent of the program's own RTF code.

#include <QColor>
#include <string>
#include <vector>

struct RtfRun {
    std::string text; // Windows-1252 bytes
    QColor colour;    // invalid: automatic
};

struct RtfParagraph {
    std::vector<RtfRun> runs;
    std::string text() const;
    // The one colour of the paragraph's text; invalid if it has none or several.
    QColor colour() const;
};

struct RtfReadBack {
    bool ok = false;
    std::string error;
    std::vector<QColor> colourTable; // index 0 is the automatic colour (invalid)
    std::string fontName;
    std::vector<RtfParagraph> paragraphs;
};

RtfReadBack readBackRtf(const std::string& rtf);

#pragma once
// Reads an RTF file back through the project's own reader into lines with their look, so a
// test can say what a reader shows: text, bold, italic, size and font of each paragraph.

#include "common/RecordingSink.h"
#include "toolkit/rtf/RtfReader.h"

#include <QString>
#include <string>
#include <vector>

struct ReadLine {
    QString text;
    char style = '?'; // 'b', 'i', 'r'; '?' for an empty line, which has no run to look at
    int halfPoints = 0;
    std::string font;
};

inline std::vector<ReadLine> readRtfLines(const std::string& rtf) {
    testsupport::RecordingSink sink;
    toolkit::rtf::readRtf(rtf, sink);
    std::vector<ReadLine> lines;
    const QString plain = QString::fromUtf16(sink.plain.data(), sink.plain.size());
    qsizetype start = 0;
    auto run = sink.runs.begin();
    for (qsizetype end = plain.indexOf(QLatin1Char('\n')); end >= 0;
         start = end + 1, end = plain.indexOf(QLatin1Char('\n'), start)) {
        ReadLine line;
        line.text = plain.mid(start, end - start);
        while (run != sink.runs.end() && run->start + run->length <= std::size_t(start)) {
            ++run;
        }
        if (!line.text.isEmpty() && run != sink.runs.end()) {
            line.style = run->format.italic ? 'i' : run->format.bold ? 'b' : 'r';
            line.halfPoints = run->format.halfPoints;
            line.font = run->font;
        }
        lines.push_back(line);
    }
    return lines;
}

#include "common/RecordingSink.h"

#include "toolkit/rtf/RtfReader.h"

namespace testsupport {

void RecordingSink::text(std::u16string_view text, const toolkit::rtf::CharFormat& format) {
    RecordedRun& run = runs.emplace_back();
    run.start = plain.size();
    run.length = text.size();
    run.format = format;
    run.format.fontName = {};
    run.font = format.fontName;
    plain.append(text);
}

void RecordingSink::picture(const toolkit::rtf::Picture& picture, const toolkit::rtf::CharFormat&) {
    plain.push_back(u'\uFFFC');
    pictures.push_back(picture);
}

void RecordingSink::paragraphEnd(const toolkit::rtf::ParaFormat& format) {
    plain.push_back(u'\n');
    paragraphs.push_back(format);
}

void RecordingSink::cellEnd(const toolkit::rtf::ParaFormat& format) {
    plain.push_back(u'\t');
    paragraphs.push_back(format);
}

void RecordingSink::rowEnd(const toolkit::rtf::RowFormat& row) {
    if (!plain.empty() && plain.back() == u'\t') {
        plain.back() = u'\n';
    } else {
        plain.push_back(u'\n');
    }
    rows.push_back(row);
}

void RecordingSink::documentEnd(const toolkit::rtf::ParaFormat&) {
    ended = true;
}

const RecordedRun* RecordingSink::runWith(std::u16string_view needle) const {
    for (const auto& run : runs) {
        if (textOf(run).find(needle) != std::u16string_view::npos) {
            return &run;
        }
    }
    return nullptr;
}

RecordingSink recordRtf(std::string_view rtf) {
    RecordingSink sink;
    toolkit::rtf::readRtf(rtf, sink);
    return sink;
}

} // namespace testsupport

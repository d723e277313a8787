#pragma once
// A sink that keeps everything it is told, for tests and measurements.

#include "toolkit/rtf/RtfSink.h"

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// A run of text: where it lies in the sink's plain text, and its format.
struct RecordedRun {
    std::size_t start = 0;
    std::size_t length = 0;
    toolkit::rtf::CharFormat format; // fontName cleared; see font
    std::string font;
};

class RecordingSink : public toolkit::rtf::RtfSink {
public:
    void text(std::u16string_view text, const toolkit::rtf::CharFormat& format) override;
    void picture(const toolkit::rtf::Picture& picture,
                 const toolkit::rtf::CharFormat& format) override;
    void paragraphEnd(const toolkit::rtf::ParaFormat& format) override;
    void cellEnd(const toolkit::rtf::ParaFormat& format) override;
    void rowEnd(const toolkit::rtf::RowFormat& row) override;
    void documentEnd(const toolkit::rtf::ParaFormat& format) override;

    // The text as a reader sees it: paragraphs end in '\n', cells in '\t', a row in '\n'
    // (replacing its last '\t'); a picture is U+FFFC.
    std::u16string plain;
    // Deques: a long document has hundreds of thousands of runs, which must not be moved.
    std::deque<RecordedRun> runs;
    std::deque<toolkit::rtf::ParaFormat> paragraphs; // one per paragraph or cell end
    std::vector<toolkit::rtf::Picture> pictures;
    std::vector<toolkit::rtf::RowFormat> rows;
    bool ended = false;

    // The format of the run that holds the first occurrence of needle; nullptr if none.
    const RecordedRun* runWith(std::u16string_view needle) const;
    std::u16string_view textOf(const RecordedRun& run) const {
        return std::u16string_view(plain).substr(run.start, run.length);
    }
};

// Reads a document through the project's reader into a new sink.
RecordingSink recordRtf(std::string_view rtf);

} // namespace testsupport

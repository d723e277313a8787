#pragma once
// Receiver of what the reader finds in a document, in document order.

#include "toolkit/rtf/RtfFormat.h"

#include <string_view>

namespace toolkit::rtf {

class RtfSink {
public:
    virtual ~RtfSink() = default;
    // A run of visible text in one format. Line breaks inside a paragraph arrive as U+2028,
    // tabs as U+0009. Never empty.
    virtual void text(std::u16string_view text, const CharFormat& format) = 0;
    virtual void picture(const Picture& picture, const CharFormat& format) = 0;
    // The paragraph that the text since the last end belongs to is complete.
    virtual void paragraphEnd(const ParaFormat& format) = 0;
    // The current table cell ends (its last paragraph has the given format).
    virtual void cellEnd(const ParaFormat& format) = 0;
    virtual void rowEnd(const RowFormat& row) = 0;
    // End of input; text after the last paragraph mark belongs to a final paragraph.
    virtual void documentEnd(const ParaFormat& format) = 0;
};

} // namespace toolkit::rtf

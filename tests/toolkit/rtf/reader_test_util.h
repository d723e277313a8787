#pragma once
// Reads RTF into a recording sink; shared by the reader tests.

#include "common/RecordingSink.h"
#include "toolkit/rtf/RtfReader.h"

#include <string>
#include <string_view>

namespace rtftest {

inline testsupport::RecordingSink read(std::string_view rtf) {
    testsupport::RecordingSink sink;
    toolkit::rtf::readRtf(rtf, sink);
    return sink;
}

// The visible text of a one-paragraph body, wrapped in a minimal document.
inline std::u16string body(std::string_view content) {
    std::string doc = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}";
    doc += content;
    doc += "}";
    return read(doc).plain;
}

} // namespace rtftest

#pragma once
// The visible text of a one-paragraph body, for the reader tests.

#include "common/RecordingSink.h"

#include <string>
#include <string_view>

namespace testsupport {

// The body wrapped in a minimal document.
inline std::u16string rtfBody(std::string_view content) {
    std::string doc = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}";
    doc += content;
    doc += "}";
    return recordRtf(doc).plain;
}

} // namespace testsupport

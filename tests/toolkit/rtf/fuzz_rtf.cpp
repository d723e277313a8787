// libFuzzer entry: any bytes must read to the end without a fault, a hang or runaway memory.
#include "common/RecordingSink.h"
#include "toolkit/rtf/RtfReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    testsupport::RecordingSink sink;
    toolkit::rtf::readRtf(std::string_view(reinterpret_cast<const char*>(data), size), sink);
    if (!sink.ended) {
        __builtin_trap();
    }
    // The text can never be longer than the input: every character costs at least one byte.
    if (sink.plain.size() > size + 1) {
        __builtin_trap();
    }
    return 0;
}

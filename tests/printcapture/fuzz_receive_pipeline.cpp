// Any byte stream, cut into reads of any size, goes through the receive pipeline without loss:
// the lines taken plus their LF CR ends plus what still waits give back exactly the bytes that
// arrived, and the backlog stays within its bound.
#include "printcapture/CapturePipeline.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    // Odd: the stream once, in small reads; even: repeated past the bound, in larger reads.
    const bool flood = (data[0] & 1) == 0;
    const std::size_t readSize = 1 + data[0] * (flood ? 37u : 1u);
    const std::string pattern(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string stream = pattern;
    while (flood && stream.size() <= printcapture::LineBuffer::kBound + (64u << 10)) {
        stream += stream;
    }

    printcapture::LineBuffer buffer;
    std::string sent;
    std::string rebuilt;
    auto takeAll = [&](bool drain) {
        while (auto line = buffer.takeLine()) {
            rebuilt += *line;
            if (!buffer.lastLineWasCut()) {
                rebuilt += "\x0A\x0D";
            } else if (line->size() != printcapture::LineBuffer::kOverflowLine) {
                std::abort();
            }
            if (!drain && !buffer.overBound()) {
                break;
            }
        }
    };
    for (std::size_t at = 0; at < stream.size(); at += readSize) {
        const std::string_view chunk = std::string_view(stream).substr(at, readSize);
        sent += chunk;
        buffer.append(chunk);
        takeAll(false);
        if (buffer.size() > printcapture::LineBuffer::kBound) {
            std::abort();
        }
    }
    takeAll(true);
    if (rebuilt + std::string(buffer.pending()) != sent) {
        std::abort();
    }
    for (std::size_t i = 0; i < pattern.size() && i < 64; ++i) {
        (void)printcapture::convertLine(pattern.substr(i));
        (void)printcapture::styleForLine(pattern.substr(i));
    }
    return 0;
}

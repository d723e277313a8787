// libFuzzer: any byte stream, cut anywhere, gives the same reactions as an unbounded prompt
// buffer would, and never more than one reaction of a kind per tick.

#include "servicetool/session/PromptSession.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace servicetool;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PromptBuffer bounded;
    std::string unbounded;
    std::size_t pos = 0;
    while (pos < size) {
        // The first byte of each piece gives its length and whether the buffer is cleared.
        const std::size_t n = std::min<std::size_t>(size - pos - 1, data[pos] & 0x3F);
        const bool clear = (data[pos] & 0x40) != 0;
        const std::string piece(reinterpret_cast<const char*>(data + pos + 1), n);
        pos += n + 1;
        bounded.append(piece);
        unbounded += piece;
        for (int k = 0; k < PromptBuffer::KeywordCount; ++k) {
            const bool expected =
                unbounded.find(promptText(PromptBuffer::Keyword(k))) != std::string::npos;
            if (bounded.contains(PromptBuffer::Keyword(k)) != expected) {
                std::abort();
            }
        }
        if (bounded.tail().size() > PromptBuffer::tailLimit()) {
            std::abort();
        }
        if (clear) {
            bounded.clear();
            unbounded.clear();
        }
    }
    PromptSession session;
    session.poll(std::string_view(reinterpret_cast<const char*>(data), size), 0);
    return 0;
}

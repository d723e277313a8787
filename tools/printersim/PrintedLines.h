#pragma once
// The lines the simulated panel printer prints: deterministic from a seed, with code page 437
// German letters, stray DC1 bytes, blank-led, letter-led, one-character and empty lines.

#include <cstdint>
#include <string>

namespace printersim {

// The style the capture window should give the line: a line of fewer than two characters
// after conversion keeps the style of the line before.
enum class ExpectedStyle { Regular, Bold, Keep };

struct PrintedLine {
    std::string wire;  // bytes on the line, without the LF CR the printer ends each line with
    std::string shown; // the line as Windows-1252 text, DC1 removed, umlauts converted
    ExpectedStyle style = ExpectedStyle::Keep;
};

PrintedLine makeLine(std::uint64_t seed, int index);

// Windows-1252 German letters to code page 437; other bytes unchanged.
std::string toCodePage437(const std::string& win1252);

} // namespace printersim

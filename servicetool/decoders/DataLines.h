#pragma once
// The lines of a decoder data file once its bytes are read. The files lie beside the program and
// are outside input: text that is not text (holds a NUL byte) or has an absurdly long line is
// refused instead of being shown, so a wrong file can never freeze or exhaust the window.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace servicetool {

using Lines = std::vector<std::string>;

// No line of any data file is anywhere near this long.
inline constexpr std::size_t kMaxLineLength = 64 * 1024;

// The lines of the bytes (CR LF, CR or LF), or nothing when they are refused.
std::optional<Lines> dataFileLines(const std::string& bytes);

// Line n of a table counted from 0; empty text beyond the end.
const std::string& lineAt(const Lines& lines, std::size_t n);

} // namespace servicetool

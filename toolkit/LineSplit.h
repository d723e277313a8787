#pragma once
// Splitting 8-bit text into lines, without Qt, for the file readers of both programs.

#include <string>
#include <vector>

namespace toolkit {

// Splits bytes into lines at CR LF, CR or LF. A final line without line end is kept.
std::vector<std::string> splitLines(const std::string& bytes);

} // namespace toolkit

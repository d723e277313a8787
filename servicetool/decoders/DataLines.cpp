#include "servicetool/decoders/DataLines.h"

#include "toolkit/LineSplit.h"

#include <algorithm>

namespace servicetool {

std::optional<Lines> dataFileLines(const std::string& bytes) {
    if (bytes.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    Lines lines = toolkit::splitLines(bytes);
    const bool tooLong = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.size() > kMaxLineLength;
    });
    if (tooLong) {
        return std::nullopt;
    }
    return lines;
}

const std::string& lineAt(const Lines& lines, std::size_t n) {
    static const std::string empty;
    return n < lines.size() ? lines[n] : empty;
}

} // namespace servicetool

#include "servicetool/decoders/VestraData.h"

namespace servicetool {

namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Removes everything up to and including the first ";"; nothing when there is none.
std::string afterSeparator(const std::string& text) {
    const size_t at = text.find(';');
    return at == std::string::npos ? text : text.substr(at + 1);
}

} // namespace

bool isHeaderLine(const std::string& line) {
    return !line.empty() && line[0] == '#';
}

std::string elementName(const std::string& headerLine) {
    if (headerLine.size() <= 4) {
        return {};
    }
    return headerLine.substr(3, headerLine.size() - 4);
}

int columnMarker(const std::string& line) {
    if (line.size() >= 3 && startsWith(line, "IN") && line[2] >= '2' && line[2] <= '4') {
        return line[2] - '0';
    }
    return 0;
}

bool isIgnoredLine(const std::string& line) {
    return line.find('@') != std::string::npos;
}

std::string bitLineText(const std::string& line) {
    return afterSeparator(afterSeparator(afterSeparator(line)));
}

std::vector<std::string> elementNames(const Lines& typ50) {
    std::vector<std::string> names;
    for (const std::string& line : typ50) {
        if (isHeaderLine(line)) {
            names.push_back(elementName(line));
        }
    }
    return names;
}

namespace {

void fillRun(const Lines& typ50, size_t start, MeaningCells& cells) {
    size_t input = 0;
    size_t row = 0;
    for (size_t j = 1; j <= kRunLength; ++j) {
        const std::string& line = lineAt(typ50, start + j);
        if (isHeaderLine(line)) {
            return;
        }
        if (const int marker = columnMarker(line)) {
            input = static_cast<size_t>(marker - 1);
            row = 0;
            continue;
        }
        if (isIgnoredLine(line)) {
            continue;
        }
        if (row < 8) {
            cells[input][row] = bitLineText(line);
        }
        ++row;
    }
}

} // namespace

MeaningCells fillMeanings(const Lines& typ50, const std::string& name) {
    MeaningCells cells;
    if (name.empty()) {
        return cells;
    }
    for (size_t i = 0; i < typ50.size(); ++i) {
        if (typ50[i].find(name) != std::string::npos) {
            fillRun(typ50, i, cells);
        }
    }
    return cells;
}

std::string faultNumber(const std::string& line) {
    return line.substr(0, 5);
}

std::vector<std::string> faultNumbers(const Lines& faults) {
    std::vector<std::string> numbers;
    numbers.reserve(faults.size());
    for (const std::string& line : faults) {
        numbers.push_back(faultNumber(line));
    }
    return numbers;
}

std::optional<std::string> faultDescription(const Lines& faults, const std::string& number) {
    if (number.empty()) {
        return std::nullopt;
    }
    for (const std::string& line : faults) {
        if (startsWith(line, number)) {
            return afterSeparator(afterSeparator(line));
        }
    }
    return std::nullopt;
}

} // namespace servicetool

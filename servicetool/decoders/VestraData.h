#pragma once
// The two tables of the bus-element window: "typ50.csv" with the meaning of every bit of every
// input of each element type, and "Fehler.csv" with the fault numbers and their descriptions.
// All comparisons are case-sensitive; text is 8-bit as read from the file.

#include "servicetool/decoders/DataLines.h"

#include <optional>

#include <array>
#include <string>

namespace servicetool {

// typ50.csv: a header line starts with "#"; its name drops the first three and the last
// character ("#1;Name;" gives "Name"), four characters or fewer give an empty name.
bool isHeaderLine(const std::string& line);
std::string elementName(const std::string& headerLine);
// 2, 3 or 4 for a line starting "IN2", "IN3" or "IN4"; 0 for any other line.
int columnMarker(const std::string& line);
// A line with "@" anywhere carries nothing for the display.
bool isIgnoredLine(const std::string& line);
// The shown text of a bit line: three times everything up to and including the first ";" is
// removed; a removal that finds no ";" removes nothing.
std::string bitLineText(const std::string& line);

// The names of every header line, in file order (empty names included).
std::vector<std::string> elementNames(const Lines& typ50);

// Meaning cells of the bit grid: [input 0..3][row 1..8 as index 0..7].
using MeaningCells = std::array<std::array<std::string, 8>, 4>;

// Lines read after a line that names the element: 4 inputs of 8 bit lines and 3 column markers.
inline constexpr int kRunLength = 35;

// Every line containing the name starts a fill run over the 35 lines after it; runs go in file
// order, a later run overwriting the cells it writes. An empty name matches nothing.
MeaningCells fillMeanings(const Lines& typ50, const std::string& name);

// Fehler.csv: the first five characters of a line are its fault number as listed.
std::string faultNumber(const std::string& line);
std::vector<std::string> faultNumbers(const Lines& faults);
// The description of the first line beginning with the number: everything after the second
// ";" (after the first when there is only one, the whole line with none). Nothing when no line
// begins with it; an empty number matches no line.
std::optional<std::string> faultDescription(const Lines& faults, const std::string& number);

} // namespace servicetool

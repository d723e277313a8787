#pragma once
// The eight bit marks of an entered number, shared by the bus-element and detector windows.

#include <cstdint>
#include <optional>
#include <string>

namespace servicetool {

// Reads a 32-bit integer the way the technicians' values are written: after leading blanks
// either an optional sign and decimal digits (-2147483648 .. 2147483647), or "$", "x", "X", "0x"
// or "0X" and hexadecimal digits up to FFFFFFFF (taken as a bit pattern). Nothing may follow.
std::optional<std::int32_t> parseInteger(const std::string& text);

// Eight characters, bit 0 of the value first: "1" for a set bit, "0" otherwise. Text that is not
// a number gives the value 0.
std::string DecodeBits(const std::string& text);

// The data field as the "Berechnen" button takes it: blanks and control characters trimmed at
// both ends, "$" in front when the field is read as hexadecimal.
std::string prepareEntry(const std::string& fieldText, bool hex);

// The mark of grid row 1..8 (row r shows bit 8 - r): "   x" for a set bit, "   -" otherwise.
std::string bitMark(const std::string& bits, int row);

} // namespace servicetool

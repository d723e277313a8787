#include "servicetool/decoders/BitDecoding.h"

#include <charconv>

namespace servicetool {

namespace {

// Digits from pos to the end of text, none missing, value at most limit.
std::optional<std::uint64_t> digitsValue(const std::string& text, size_t pos, int base,
                                         std::uint64_t limit) {
    if (pos >= text.size()) {
        return std::nullopt;
    }
    const char* end = text.data() + text.size();
    std::uint64_t value = 0;
    // No sign, prefix or blank is taken here; a value beyond 64 bits is out of range as well.
    const auto [stop, error] = std::from_chars(text.data() + pos, end, value, base);
    if (error != std::errc() || stop != end || value > limit) {
        return std::nullopt;
    }
    return value;
}

bool isBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::optional<std::int32_t> parseInteger(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') {
        ++pos;
    }
    if (pos >= text.size()) {
        return std::nullopt;
    }
    const char first = text[pos];
    size_t hexStart = std::string::npos;
    if (first == '$' || first == 'x' || first == 'X') {
        hexStart = pos + 1;
    } else if (first == '0' && pos + 1 < text.size() &&
               (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        hexStart = pos + 2;
    }
    if (hexStart != std::string::npos) {
        auto value = digitsValue(text, hexStart, 16, 0xFFFFFFFFu);
        if (!value) {
            return std::nullopt;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value));
    }
    bool negative = false;
    if (first == '+' || first == '-') {
        negative = first == '-';
        ++pos;
    }
    auto value = digitsValue(text, pos, 10, negative ? 2147483648u : 2147483647u);
    if (!value) {
        return std::nullopt;
    }
    const std::int64_t signedValue =
        negative ? -static_cast<std::int64_t>(*value) : static_cast<std::int64_t>(*value);
    return static_cast<std::int32_t>(signedValue);
}

std::string DecodeBits(const std::string& text) {
    const auto value = static_cast<std::uint32_t>(parseInteger(text).value_or(0));
    std::string bits(8, '0');
    for (int k = 0; k < 8; ++k) {
        if (value & (1u << k)) {
            bits[static_cast<size_t>(k)] = '1';
        }
    }
    return bits;
}

std::string prepareEntry(const std::string& fieldText, bool hex) {
    size_t begin = 0;
    size_t end = fieldText.size();
    while (begin < end && isBlankOrControl(fieldText[begin])) {
        ++begin;
    }
    while (end > begin && isBlankOrControl(fieldText[end - 1])) {
        --end;
    }
    std::string entry = fieldText.substr(begin, end - begin);
    return hex ? "$" + entry : entry;
}

std::string bitMark(const std::string& bits, int row) {
    const size_t index = static_cast<size_t>(8 - row); // character 9 - r, counted from 1
    const bool set = row >= 1 && row <= 8 && index < bits.size() && bits[index] == '1';
    return set ? "   x" : "   -";
}

} // namespace servicetool

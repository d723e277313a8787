#pragma once
// Splits RTF bytes into groups, control words, control symbols, hex escapes and text runs.
// One pass, no backtracking: every byte is looked at a bounded number of times.

#include <cstddef>
#include <string_view>

namespace toolkit::rtf {

enum class TokenType { End, GroupStart, GroupEnd, ControlWord, ControlSymbol, HexByte, Text };

struct Token {
    TokenType type = TokenType::End;
    // ControlWord: the name (at most kMaxWordLength letters). Text: the run (no CR or LF).
    std::string_view word;
    // \bin: the raw bytes that follow, clamped to the input that is left.
    std::string_view binary;
    int param = 0;
    bool hasParam = false;
    unsigned char byte = 0; // ControlSymbol: the symbol; HexByte: the value
};

class RtfTokenizer {
public:
    static constexpr std::size_t kMaxWordLength = 32;
    // Parameters are clamped to this magnitude; word processors stay far below it.
    static constexpr long kMaxParam = 1'000'000'000;

    explicit RtfTokenizer(std::string_view input) : m_in(input) {}
    Token next();
    std::size_t position() const { return m_pos; }

private:
    Token controlWord();
    Token controlSymbol();
    Token textRun();
    void readParameter(Token& token);

    std::string_view m_in;
    std::size_t m_pos = 0;
};

} // namespace toolkit::rtf

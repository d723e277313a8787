#include "toolkit/rtf/RtfTokenizer.h"

namespace toolkit::rtf {

namespace {

Token tokenOf(TokenType type) {
    Token t;
    t.type = type;
    return t;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (isDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

Token RtfTokenizer::next() {
    while (m_pos < m_in.size()) {
        char c = m_in[m_pos];
        switch (c) {
        case '{':
            ++m_pos;
            return tokenOf(TokenType::GroupStart);
        case '}':
            ++m_pos;
            return tokenOf(TokenType::GroupEnd);
        case '\\':
            ++m_pos;
            if (m_pos >= m_in.size()) {
                return Token();
            }
            return isLetter(m_in[m_pos]) ? controlWord() : controlSymbol();
        case '\r':
        case '\n':
            ++m_pos; // line ends in RTF source carry no meaning
            continue;
        default:
            return textRun();
        }
    }
    return Token();
}

Token RtfTokenizer::controlWord() {
    Token t = tokenOf(TokenType::ControlWord);
    std::size_t start = m_pos;
    while (m_pos < m_in.size() && isLetter(m_in[m_pos])) {
        ++m_pos;
    }
    std::size_t length = m_pos - start;
    t.word = m_in.substr(start, length < kMaxWordLength ? length : kMaxWordLength);
    readParameter(t);
    if (m_pos < m_in.size() && m_in[m_pos] == ' ') {
        ++m_pos; // the delimiting space belongs to the control word
    }
    if (t.word == "bin") {
        std::size_t left = m_in.size() - m_pos;
        std::size_t n = t.param > 0 ? static_cast<std::size_t>(t.param) : 0;
        if (n > left) {
            n = left;
        }
        t.binary = m_in.substr(m_pos, n);
        m_pos += n;
    }
    return t;
}

void RtfTokenizer::readParameter(Token& t) {
    bool negative = false;
    if (m_pos + 1 < m_in.size() && m_in[m_pos] == '-' && isDigit(m_in[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    long value = 0;
    while (m_pos < m_in.size() && isDigit(m_in[m_pos])) {
        t.hasParam = true;
        if (value < kMaxParam) {
            value = value * 10 + (m_in[m_pos] - '0');
        }
        ++m_pos;
    }
    if (value > kMaxParam) {
        value = kMaxParam;
    }
    t.param = static_cast<int>(negative ? -value : value);
}

Token RtfTokenizer::controlSymbol() {
    char c = m_in[m_pos++];
    if (c == '\'') {
        int hi = m_pos < m_in.size() ? hexValue(m_in[m_pos]) : -1;
        int lo = m_pos + 1 < m_in.size() ? hexValue(m_in[m_pos + 1]) : -1;
        if (hi < 0 || lo < 0) {
            // A broken escape yields nothing; the characters after it are read as usual.
            Token t = tokenOf(TokenType::ControlSymbol);
            t.byte = '\'';
            return t;
        }
        m_pos += 2;
        Token t = tokenOf(TokenType::HexByte);
        t.byte = static_cast<unsigned char>(hi * 16 + lo);
        return t;
    }
    Token t = tokenOf(TokenType::ControlSymbol);
    t.byte = static_cast<unsigned char>(c == '\r' ? '\n' : c);
    return t;
}

Token RtfTokenizer::textRun() {
    std::size_t start = m_pos;
    while (m_pos < m_in.size()) {
        char c = m_in[m_pos];
        if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n') {
            break;
        }
        ++m_pos;
    }
    Token t = tokenOf(TokenType::Text);
    t.word = m_in.substr(start, m_pos - start);
    return t;
}

} // namespace toolkit::rtf

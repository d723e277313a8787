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
    while (pos_ < in_.size()) {
        char c = in_[pos_];
        switch (c) {
        case '{':
            ++pos_;
            return tokenOf(TokenType::GroupStart);
        case '}':
            ++pos_;
            return tokenOf(TokenType::GroupEnd);
        case '\\':
            ++pos_;
            if (pos_ >= in_.size()) {
                return Token();
            }
            return isLetter(in_[pos_]) ? controlWord() : controlSymbol();
        case '\r':
        case '\n':
            ++pos_; // line ends in RTF source carry no meaning
            continue;
        default:
            return textRun();
        }
    }
    return Token();
}

Token RtfTokenizer::controlWord() {
    Token t = tokenOf(TokenType::ControlWord);
    std::size_t start = pos_;
    while (pos_ < in_.size() && isLetter(in_[pos_])) {
        ++pos_;
    }
    std::size_t length = pos_ - start;
    t.word = in_.substr(start, length < kMaxWordLength ? length : kMaxWordLength);
    readParameter(t);
    if (pos_ < in_.size() && in_[pos_] == ' ') {
        ++pos_; // the delimiting space belongs to the control word
    }
    if (t.word == "bin") {
        std::size_t left = in_.size() - pos_;
        std::size_t n = t.param > 0 ? static_cast<std::size_t>(t.param) : 0;
        if (n > left) {
            n = left;
        }
        t.binary = in_.substr(pos_, n);
        pos_ += n;
    }
    return t;
}

void RtfTokenizer::readParameter(Token& t) {
    bool negative = false;
    if (pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
        negative = true;
        ++pos_;
    }
    long value = 0;
    while (pos_ < in_.size() && isDigit(in_[pos_])) {
        t.hasParam = true;
        if (value < kMaxParam) {
            value = value * 10 + (in_[pos_] - '0');
        }
        ++pos_;
    }
    if (value > kMaxParam) {
        value = kMaxParam;
    }
    t.param = static_cast<int>(negative ? -value : value);
}

Token RtfTokenizer::controlSymbol() {
    char c = in_[pos_++];
    if (c == '\'') {
        int hi = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
        int lo = pos_ + 1 < in_.size() ? hexValue(in_[pos_ + 1]) : -1;
        if (hi < 0 || lo < 0) {
            // A broken escape yields nothing; the characters after it are read as usual.
            Token t = tokenOf(TokenType::ControlSymbol);
            t.byte = '\'';
            return t;
        }
        pos_ += 2;
        Token t = tokenOf(TokenType::HexByte);
        t.byte = static_cast<unsigned char>(hi * 16 + lo);
        return t;
    }
    Token t = tokenOf(TokenType::ControlSymbol);
    t.byte = static_cast<unsigned char>(c == '\r' ? '\n' : c);
    return t;
}

Token RtfTokenizer::textRun() {
    std::size_t start = pos_;
    while (pos_ < in_.size()) {
        char c = in_[pos_];
        if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n') {
            break;
        }
        ++pos_;
    }
    Token t = tokenOf(TokenType::Text);
    t.word = in_.substr(start, pos_ - start);
    return t;
}

} // namespace toolkit::rtf

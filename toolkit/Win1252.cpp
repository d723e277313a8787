#include "Win1252.h"

namespace toolkit {

namespace {
// 0x80..0x9F; the five bytes Windows-1252 leaves undefined keep their C1 value.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

char16_t win1252ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        return kHigh[byte - 0x80];
    }
    return byte;
}

QString fromWin1252(std::string_view bytes) {
    QString out;
    out.resize(static_cast<qsizetype>(bytes.size()));
    QChar* d = out.data();
    for (unsigned char b : bytes) {
        *d++ = QChar(win1252ToUnicode(b));
    }
    return out;
}

std::string toWin1252(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i) {
            if (kHigh[i] == u) {
                mapped = static_cast<char>(0x80 + i);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

} // namespace toolkit

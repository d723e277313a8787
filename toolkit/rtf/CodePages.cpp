#include "toolkit/rtf/CodePages.h"

namespace toolkit::rtf {

int codePageForCharset(int charset, int documentPage) {
    switch (charset) {
    case 0:
        return 1252;
    case 2:
        return kSymbolPage;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return documentPage;
    }
}

bool isKnownCodePage(int page) {
    return page == kSymbolPage || page == kWingdingsPage || detail::singleBytePage(page) ||
           detail::isDoubleBytePage(page);
}

void ByteDecoder::setPage(int page) {
    if (page == m_page && (m_upper || m_doubleByte || page < 0)) {
        return;
    }
    m_page = page;
    m_lead = -1;
    m_doubleByte = detail::isDoubleBytePage(page);
    m_upper = detail::singleBytePage(page);
    if (!m_upper && !m_doubleByte && page >= 0) {
        m_upper = detail::singleBytePage(1252);
    }
}

void ByteDecoder::decode(unsigned char byte, std::u16string& out) {
    if (m_lead >= 0) {
        out.push_back(detail::decodeDoubleByte(m_page, static_cast<unsigned char>(m_lead), byte));
        m_lead = -1;
        return;
    }
    if (m_page < 0) {
        out.push_back(detail::symbolFontChar(m_page, byte));
    } else if (byte < 0x80) {
        out.push_back(byte);
    } else if (m_doubleByte) {
        if (detail::isLeadByte(m_page, byte)) {
            m_lead = byte;
        } else {
            out.push_back(detail::decodeDoubleByte(m_page, 0, byte));
        }
    } else {
        out.push_back(m_upper[byte - 0x80]);
    }
}

void ByteDecoder::flush(std::u16string& out) {
    if (m_lead >= 0) {
        out.push_back(u'\uFFFD');
        m_lead = -1;
    }
}

namespace detail {

const char16_t* singleBytePage(int page) {
    for (int i = 0; i < kPageTableCount; ++i) {
        if (kPageTables[i].page == page) {
            return kPageTables[i].upper;
        }
    }
    return nullptr;
}

bool isDoubleBytePage(int page) {
    return page == 932 || page == 936 || page == 949 || page == 950 || page == 1361;
}

bool isLeadByte(int page, unsigned char byte) {
    if (page == 932) {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }
    if (page == 1361) {
        return (byte >= 0x84 && byte <= 0xD3) || (byte >= 0xD8 && byte <= 0xF9);
    }
    return byte >= 0x81 && byte <= 0xFE;
}

// The Symbol font places Greek letters on the Latin ones and some signs above 0x80; the
// Wingdings bullets that list numbering uses most often get their nearest Unicode sign.
char16_t symbolFontChar(int page, unsigned char byte) {
    if (page == kWingdingsPage) {
        switch (byte) {
        case 0x6C:
            return u'\u25CF';
        case 0x6E:
            return u'\u25A0';
        case 0x71:
            return u'\u2751';
        case 0x75:
            return u'\u25C6';
        case 0x76:
            return u'\u2756';
        case 0xA7:
            return u'\u25AA';
        case 0xA8:
            return u'\u25FB';
        case 0xD8:
            return u'\u27A2';
        case 0xE0:
            return u'\u2192';
        case 0xFC:
            return u'\u2713';
        case 0xFB:
            return u'\u2717';
        default:
            return byte < 0x80 ? char16_t(byte) : u'\u2022';
        }
    }
    static const char16_t greekUpper[] = u"\u0391\u0392\u03A7\u0394\u0395\u03A6\u0393\u0397"
                                         u"\u0399\u03D1\u039A\u039B\u039C\u039D\u039F\u03A0"
                                         u"\u0398\u03A1\u03A3\u03A4\u03A5\u03C2\u03A9\u039E"
                                         u"\u03A8\u0396";
    static const char16_t greekLower[] = u"\u03B1\u03B2\u03C7\u03B4\u03B5\u03C6\u03B3\u03B7"
                                         u"\u03B9\u03D5\u03BA\u03BB\u03BC\u03BD\u03BF\u03C0"
                                         u"\u03B8\u03C1\u03C3\u03C4\u03C5\u03D6\u03C9\u03BE"
                                         u"\u03C8\u03B6";
    if (byte >= 'A' && byte <= 'Z') {
        return greekUpper[byte - 'A'];
    }
    if (byte >= 'a' && byte <= 'z') {
        return greekLower[byte - 'a'];
    }
    switch (byte) {
    case 0xA7:
        return u'\u2663';
    case 0xA8:
        return u'\u2666';
    case 0xA9:
        return u'\u2665';
    case 0xAA:
        return u'\u2660';
    case 0xAE:
        return u'\u2192';
    case 0xAC:
        return u'\u2190';
    case 0xB0:
        return u'\u00B0';
    case 0xB1:
        return u'\u00B1';
    case 0xB7:
        return u'\u2022';
    case 0xB4:
        return u'\u00D7';
    case 0xB8:
        return u'\u00F7';
    case 0xB9:
        return u'\u2260';
    case 0xA3:
        return u'\u2264';
    case 0xB3:
        return u'\u2265';
    case 0xA5:
        return u'\u221E';
    case 0xD7:
        return u'\u22C5';
    default:
        return byte < 0x80 ? char16_t(byte) : u'\u2022';
    }
}

} // namespace detail
} // namespace toolkit::rtf

#pragma once
// Code pages of RTF text: the byte of a \'hh escape or of plain text means a character of the
// page that the current font's \fcharset (or \cpg) names, else the document's \ansicpg.

#include <string>

namespace toolkit::rtf {

// Pseudo pages for the symbol fonts, whose bytes are glyph numbers rather than characters.
constexpr int kSymbolPage = -2;
constexpr int kWingdingsPage = -3;

// The page a font's \fcharset selects: 0 (ANSI) is Windows-1252 whatever the document says;
// 1 (default) and unknown sets fall back to the document's page.
int codePageForCharset(int charset, int documentPage);

// Single-byte or double-byte page we can decode; unknown pages read as Windows-1252.
bool isKnownCodePage(int page);

// Turns the bytes of one code page into UTF-16. Remembers a lead byte of a double-byte page
// so that the pair may arrive in two pieces (\'81\'40).
class ByteDecoder {
public:
    void setPage(int page);
    int page() const { return m_page; }
    bool hasLead() const { return m_lead >= 0; }
    void decode(unsigned char byte, std::u16string& out);
    // A lead byte left waiting when the text ends becomes a replacement character.
    void flush(std::u16string& out);

private:
    int m_page = 1252;
    const char16_t* m_upper = nullptr; // upper half of a single-byte page
    bool m_doubleByte = false;
    int m_lead = -1;
};

namespace detail {
struct PageTable {
    int page;
    const char16_t* upper;
};
extern const PageTable kPageTables[];
extern const int kPageTableCount;
const char16_t* singleBytePage(int page);
bool isDoubleBytePage(int page);
bool isLeadByte(int page, unsigned char byte);
char16_t decodeDoubleByte(int page, unsigned char lead, unsigned char trail);
char16_t symbolFontChar(int page, unsigned char byte);
} // namespace detail

} // namespace toolkit::rtf

#pragma once
// Reads an RTF document and hands its visible content to a sink. Groups live on an explicit
// stack of bounded depth (deeper groups are skipped, never recursed into); all lengths and
// parameters are clamped, so any input is read in linear time and bounded memory.

#include "toolkit/rtf/CodePages.h"
#include "toolkit/rtf/ControlWords.h"
#include "toolkit/rtf/RtfSink.h"
#include "toolkit/rtf/RtfTokenizer.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace toolkit::rtf {

class RtfReader {
public:
    static constexpr std::size_t kMaxDepth = 120;
    static constexpr std::size_t kMaxCells = 63; // Word's own limit per table row
    static constexpr std::size_t kMaxTabStops = 64;

    explicit RtfReader(RtfSink& sink) : m_sink(sink) {}
    void read(std::string_view rtf);

private:
    enum class Dest : unsigned char { Text, Upr, FontTable, ColorTable, Picture };

    struct CharProps {
        bool bold = false, italic = false, underline = false, strike = false;
        bool smallCaps = false, allCaps = false, hidden = false;
        VerticalAlign valign = VerticalAlign::Normal;
        int halfPoints = 24;
        int font = -1; // -1: the document's default font
        int foreground = 0;
        int background = 0;
        bool operator==(const CharProps&) const = default;
    };

    struct State {
        Dest dest = Dest::Text;
        Dest udDest = Dest::Text; // what \ud inside \upr returns to
        CharProps chr;
        ParaFormat para;
        int uc = 1;
    };

    struct FontEntry {
        std::string name; // UTF-8
        int charset = -1;
        int codePage = 0;
    };

    void handle(const Token& t);
    void groupStart();
    void groupEnd();
    void controlWord(Kw kw, const Token& t);
    void controlSymbol(unsigned char c);
    bool destination(Kw kw);
    void textControl(Kw kw, const Token& t);
    bool charControl(Kw kw, const Token& t);
    bool paraControl(Kw kw, const Token& t);
    void fontTableControl(Kw kw, const Token& t);
    void pictureControl(Kw kw, const Token& t);

    void textBytes(std::string_view bytes);
    void hexByte(unsigned char byte);
    void appendUnit(char16_t unit);
    void appendSpecial(char16_t unit);
    bool consumeFallback();
    void prepareText();
    void flushText();
    void closeLoneSurrogate();
    void endParagraph();
    void cell();
    void row();

    void fontBytes(std::string_view bytes);
    void commitFont();
    void colourBytes(std::string_view bytes);
    void pictureHex(std::string_view bytes);
    void finishPicture();

    int pageOfFont(int font) const;
    CharFormat resolve(const CharProps& chr) const;
    Rgb colour(int index) const;
    State& top() { return m_stack.back(); }

    RtfSink& m_sink;
    std::vector<State> m_stack;
    int m_skipDepth = 0;     // > 0 while the rest of a group is skipped
    bool m_skipPops = false; // the skipped group has a state of its own on the stack
    bool m_starPending = false;
    int m_fallbackLeft = 0; // \uc characters still to skip after \u
    bool m_started = false;

    int m_documentPage = 1252;
    int m_defaultFont = 0;
    std::unordered_map<int, FontEntry> m_fonts;
    int m_entryFont = -1;
    int m_entryCharset = -1;
    int m_entryCodePage = 0;
    std::string m_entryName;

    std::vector<Rgb> m_colours;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colourSet = false;

    Picture m_picture;
    int m_nibble = -1;

    RowFormat m_row;
    int m_cellShade = 0;
    ByteDecoder m_decoder;
    std::u16string m_pending;
    CharProps m_pendingFormat;
    char16_t m_highSurrogate = 0;
};

// Convenience: reads the whole document into the sink.
void readRtf(std::string_view rtf, RtfSink& sink);

} // namespace toolkit::rtf

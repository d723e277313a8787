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

    explicit RtfReader(RtfSink& sink) : sink_(sink) {}
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
    State& top() { return stack_.back(); }

    RtfSink& sink_;
    std::vector<State> stack_;
    int skipDepth_ = 0;     // > 0 while the rest of a group is skipped
    bool skipPops_ = false; // the skipped group has a state of its own on the stack
    bool starPending_ = false;
    int fallbackLeft_ = 0; // \uc characters still to skip after \u
    bool started_ = false;

    int documentPage_ = 1252;
    int defaultFont_ = 0;
    std::unordered_map<int, FontEntry> fonts_;
    int entryFont_ = -1;
    int entryCharset_ = -1;
    int entryCodePage_ = 0;
    std::string entryName_;

    std::vector<Rgb> colours_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colourSet_ = false;

    Picture picture_;
    int nibble_ = -1;

    RowFormat row_;
    int cellShade_ = 0;
    ByteDecoder decoder_;
    std::u16string pending_;
    CharProps pendingFormat_;
    char16_t highSurrogate_ = 0;
};

// Convenience: reads the whole document into the sink.
void readRtf(std::string_view rtf, RtfSink& sink);

} // namespace toolkit::rtf

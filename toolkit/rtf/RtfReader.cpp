#include "toolkit/rtf/RtfReader.h"

#include <algorithm>

namespace toolkit::rtf {

namespace {

constexpr int kMaxTwips = 31680; // 22 inches, Word's largest page
constexpr int kMaxHalfPoints = 1000;
constexpr int kMaxFallback = 16;

int clampInt(int v, int lo, int hi) {
    return std::min(std::max(v, lo), hi);
}
bool flagOn(const Token& t) {
    return !t.hasParam || t.param != 0;
}
bool isHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

void appendUtf8(std::string& out, char16_t u) {
    if (u < 0x80) {
        out.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (u >> 6)));
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (u >> 12)));
        out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
}

bool contains(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

} // namespace

void readRtf(std::string_view rtf, RtfSink& sink) {
    RtfReader reader(sink);
    reader.read(rtf);
}

void RtfReader::read(std::string_view rtf) {
    m_stack.clear();
    m_stack.reserve(kMaxDepth + 1);
    m_stack.push_back(State{});
    RtfTokenizer tokenizer(rtf);
    for (Token t = tokenizer.next(); t.type != TokenType::End; t = tokenizer.next()) {
        handle(t);
        // The document ends with the group it began with; whatever follows is not ours.
        if (m_started && m_stack.size() == 1 && m_skipDepth == 0) {
            break;
        }
    }
    if (top().dest == Dest::Picture) {
        finishPicture();
    }
    flushText();
    closeLoneSurrogate();
    flushText();
    m_decoder.flush(m_pending);
    m_sink.documentEnd(top().para);
}

void RtfReader::handle(const Token& t) {
    if (m_skipDepth > 0) {
        if (t.type == TokenType::GroupStart) {
            ++m_skipDepth;
        } else if (t.type == TokenType::GroupEnd && --m_skipDepth == 0 && m_skipPops) {
            groupEnd();
        }
        return;
    }
    bool star = m_starPending;
    m_starPending = false;
    switch (t.type) {
    case TokenType::GroupStart:
        groupStart();
        break;
    case TokenType::GroupEnd:
        groupEnd();
        break;
    case TokenType::ControlWord: {
        Kw kw = lookupControlWord(t.word);
        if (destination(kw)) {
            break;
        }
        if (star) {
            // An ignorable destination we do not know: skip the rest of its group.
            m_skipDepth = 1;
            m_skipPops = true;
            break;
        }
        controlWord(kw, t);
        break;
    }
    case TokenType::ControlSymbol:
        controlSymbol(t.byte);
        break;
    case TokenType::HexByte:
        hexByte(t.byte);
        break;
    case TokenType::Text:
        switch (top().dest) {
        case Dest::Text:
            textBytes(t.word);
            break;
        case Dest::FontTable:
            fontBytes(t.word);
            break;
        case Dest::ColorTable:
            colourBytes(t.word);
            break;
        case Dest::Picture:
            pictureHex(t.word);
            break;
        case Dest::Upr:
            break;
        }
        break;
    case TokenType::End:
        break;
    }
}

// A group boundary ends a \u fallback and splits no double-byte character.
void RtfReader::groupStart() {
    m_fallbackLeft = 0;
    m_decoder.flush(m_pending);
    m_started = true;
    if (m_stack.size() > kMaxDepth) {
        m_skipDepth = 1;
        m_skipPops = false;
        return;
    }
    m_stack.push_back(m_stack.back());
}

void RtfReader::groupEnd() {
    m_fallbackLeft = 0;
    m_decoder.flush(m_pending);
    if (m_stack.size() <= 1) {
        return; // an unbalanced closing brace
    }
    Dest closing = top().dest;
    m_stack.pop_back();
    Dest outer = top().dest;
    if (closing == Dest::FontTable) {
        commitFont();
    } else if (closing == Dest::Picture && outer != Dest::Picture) {
        finishPicture();
    }
}

bool RtfReader::destination(Kw kw) {
    State& s = top();
    switch (kw) {
    case Kw::SkipDestination:
        m_skipDepth = 1;
        m_skipPops = true;
        return true;
    case Kw::FontTable:
        s.dest = Dest::FontTable;
        return true;
    case Kw::ColorTable:
        s.dest = Dest::ColorTable;
        return true;
    case Kw::Picture:
        if (s.dest != Dest::Text || s.chr.hidden) {
            m_skipDepth = 1;
            m_skipPops = true;
        } else {
            s.dest = Dest::Picture;
            m_picture = Picture{};
            m_nibble = -1;
            flushText();
        }
        return true;
    case Kw::Upr:
        s.udDest = s.dest;
        s.dest = Dest::Upr;
        return true;
    case Kw::Ud:
        s.dest = s.udDest;
        return true;
    case Kw::FieldResult:
    case Kw::ListText:
    case Kw::Container:
        return true;
    default:
        return false;
    }
}

void RtfReader::controlWord(Kw kw, const Token& t) {
    switch (kw) {
    case Kw::Ansi:
        m_documentPage = 1252;
        return;
    case Kw::Mac:
        m_documentPage = 10000;
        return;
    case Kw::Pc:
        m_documentPage = 437;
        return;
    case Kw::Pca:
        m_documentPage = 850;
        return;
    case Kw::AnsiCodePage:
        m_documentPage = isKnownCodePage(t.param) && t.param > 0 ? t.param : 1252;
        return;
    case Kw::DefaultFont:
        m_defaultFont = t.param;
        return;
    case Kw::UnicodeSkip:
        top().uc = clampInt(t.param, 0, kMaxFallback);
        return;
    default:
        break;
    }
    switch (top().dest) {
    case Dest::Text:
        textControl(kw, t);
        break;
    case Dest::FontTable:
        fontTableControl(kw, t);
        break;
    case Dest::ColorTable:
        if (kw == Kw::Red || kw == Kw::Green || kw == Kw::Blue) {
            int v = clampInt(t.param, 0, 255);
            (kw == Kw::Red ? m_red : kw == Kw::Green ? m_green : m_blue) = v;
            m_colourSet = true;
        }
        break;
    case Dest::Picture:
        pictureControl(kw, t);
        break;
    case Dest::Upr:
        break;
    }
}

void RtfReader::textControl(Kw kw, const Token& t) {
    if (consumeFallback()) {
        return;
    }
    if (charControl(kw, t) || paraControl(kw, t)) {
        return;
    }
    switch (kw) {
    case Kw::Par:
        endParagraph();
        break;
    case Kw::Sect:
        endParagraph();
        break;
    case Kw::Page:
        if (!m_pending.empty()) {
            endParagraph();
        }
        break;
    case Kw::Line:
        appendSpecial(u'\u2028');
        break;
    case Kw::Tab:
        appendSpecial(u'\t');
        break;
    case Kw::Cell:
        cell();
        break;
    case Kw::Row:
        row();
        break;
    case Kw::NestCell:
        appendSpecial(u'\t');
        break;
    case Kw::NestRow:
        endParagraph();
        break;
    case Kw::RowDefaults:
        m_row = RowFormat{};
        m_cellShade = 0;
        break;
    case Kw::CellShade:
        m_cellShade = std::max(t.param, 0);
        break;
    case Kw::CellX:
        if (m_row.cellRightEdges.size() < kMaxCells) {
            m_row.cellRightEdges.push_back(clampInt(t.param, -kMaxTwips, kMaxTwips));
            m_row.cellBackgrounds.push_back(m_cellShade > 0 ? colour(m_cellShade) : kAutoColour);
        }
        m_cellShade = 0;
        break;
    case Kw::RowLeft:
        m_row.leftEdge = clampInt(t.param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Unicode:
        if (!top().chr.hidden) {
            int v = t.param < 0 ? t.param + 65536 : t.param;
            prepareText();
            appendUnit(v >= 0 && v <= 0xFFFF ? static_cast<char16_t>(v) : u'\uFFFD');
        }
        m_fallbackLeft = top().uc;
        break;
    case Kw::EmDash:
        appendSpecial(u'\u2014');
        break;
    case Kw::EnDash:
        appendSpecial(u'\u2013');
        break;
    case Kw::Bullet:
        appendSpecial(u'\u2022');
        break;
    case Kw::LeftQuote:
        appendSpecial(u'\u2018');
        break;
    case Kw::RightQuote:
        appendSpecial(u'\u2019');
        break;
    case Kw::LeftDoubleQuote:
        appendSpecial(u'\u201C');
        break;
    case Kw::RightDoubleQuote:
        appendSpecial(u'\u201D');
        break;
    case Kw::EmSpace:
        appendSpecial(u'\u2003');
        break;
    case Kw::EnSpace:
        appendSpecial(u'\u2002');
        break;
    case Kw::QuarterEmSpace:
        appendSpecial(u'\u2005');
        break;
    case Kw::ZeroWidthJoiner:
        appendSpecial(u'\u200D');
        break;
    case Kw::ZeroWidthNonJoiner:
        appendSpecial(u'\u200C');
        break;
    default:
        break;
    }
}

bool RtfReader::charControl(Kw kw, const Token& t) {
    CharProps& c = top().chr;
    switch (kw) {
    case Kw::Plain:
        c = CharProps{};
        return true;
    case Kw::Bold:
        c.bold = flagOn(t);
        return true;
    case Kw::Italic:
        c.italic = flagOn(t);
        return true;
    case Kw::Underline:
        c.underline = flagOn(t);
        return true;
    case Kw::UnderlineNone:
        c.underline = false;
        return true;
    case Kw::Strike:
        c.strike = flagOn(t);
        return true;
    case Kw::SmallCaps:
        c.smallCaps = flagOn(t);
        return true;
    case Kw::AllCaps:
        c.allCaps = flagOn(t);
        return true;
    case Kw::Hidden:
        c.hidden = flagOn(t);
        return true;
    case Kw::Super:
        c.valign = VerticalAlign::Super;
        return true;
    case Kw::Sub:
        c.valign = VerticalAlign::Sub;
        return true;
    case Kw::NoSuperSub:
        c.valign = VerticalAlign::Normal;
        return true;
    case Kw::Up:
        c.valign = !t.hasParam || t.param > 0 ? VerticalAlign::Super : VerticalAlign::Normal;
        return true;
    case Kw::Down:
        c.valign = !t.hasParam || t.param > 0 ? VerticalAlign::Sub : VerticalAlign::Normal;
        return true;
    case Kw::FontSize:
        c.halfPoints = t.param > 0 ? clampInt(t.param, 2, kMaxHalfPoints) : 24;
        return true;
    case Kw::Font:
        c.font = t.param;
        return true;
    case Kw::Foreground:
        c.foreground = std::max(t.param, 0);
        return true;
    case Kw::Background:
    case Kw::Highlight:
        c.background = std::max(t.param, 0);
        return true;
    default:
        return false;
    }
}

bool RtfReader::paraControl(Kw kw, const Token& t) {
    ParaFormat& p = top().para;
    int twips = clampInt(t.param, -kMaxTwips, kMaxTwips);
    switch (kw) {
    case Kw::Pard:
        p = ParaFormat{};
        return true;
    case Kw::AlignLeft:
        p.align = Alignment::Left;
        return true;
    case Kw::AlignCenter:
        p.align = Alignment::Center;
        return true;
    case Kw::AlignRight:
        p.align = Alignment::Right;
        return true;
    case Kw::AlignJustify:
        p.align = Alignment::Justify;
        return true;
    case Kw::LeftIndent:
        p.leftIndent = twips;
        return true;
    case Kw::RightIndent:
        p.rightIndent = twips;
        return true;
    case Kw::FirstIndent:
        p.firstIndent = twips;
        return true;
    case Kw::SpaceBefore:
        p.spaceBefore = std::max(twips, 0);
        return true;
    case Kw::SpaceAfter:
        p.spaceAfter = std::max(twips, 0);
        return true;
    case Kw::InTable:
        p.inTable = flagOn(t);
        return true;
    case Kw::TabStop:
        if (p.tabStops.size() < kMaxTabStops) {
            p.tabStops.push_back(twips);
        }
        return true;
    default:
        return false;
    }
}

void RtfReader::controlSymbol(unsigned char c) {
    if (c == '*') {
        m_starPending = true;
        return;
    }
    Dest dest = top().dest;
    if (dest == Dest::FontTable || dest == Dest::ColorTable) {
        if (c == '\\' || c == '{' || c == '}') {
            char ch = static_cast<char>(c);
            dest == Dest::FontTable ? fontBytes({&ch, 1}) : colourBytes({&ch, 1});
        }
        return;
    }
    if (dest != Dest::Text || consumeFallback()) {
        return;
    }
    switch (c) {
    case '\\':
    case '{':
    case '}': {
        char ch = static_cast<char>(c);
        textBytes({&ch, 1});
        break;
    }
    case '~':
        appendSpecial(u'\u00A0');
        break;
    case '_':
        appendSpecial(u'\u2011');
        break;
    case '\n':
        endParagraph();
        break;
    case '\t':
        appendSpecial(u'\t');
        break;
    default:
        break; // \- (optional hyphen), \: (index), \| (formula) show nothing
    }
}

void RtfReader::hexByte(unsigned char byte) {
    switch (top().dest) {
    case Dest::Text:
        if (consumeFallback() || top().chr.hidden) {
            return;
        }
        prepareText();
        if (m_highSurrogate) {
            closeLoneSurrogate();
        }
        m_decoder.decode(byte, m_pending);
        break;
    case Dest::FontTable: {
        char ch = static_cast<char>(byte);
        m_entryName.push_back(ch);
        break;
    }
    default:
        break;
    }
}

// True when the token is one of the fallback characters that follow \u and must be dropped.
bool RtfReader::consumeFallback() {
    if (m_fallbackLeft > 0) {
        --m_fallbackLeft;
        return true;
    }
    return false;
}

void RtfReader::textBytes(std::string_view bytes) {
    std::size_t i = 0;
    while (m_fallbackLeft > 0 && i < bytes.size()) {
        --m_fallbackLeft;
        ++i;
    }
    if (i == bytes.size() || top().chr.hidden) {
        return;
    }
    prepareText();
    if (m_highSurrogate) {
        closeLoneSurrogate();
    }
    for (; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x20 && b != '\t') {
            continue; // control bytes are not text
        }
        if (b < 0x80 && m_decoder.page() >= 0 && !m_decoder.hasLead()) {
            m_pending.push_back(b);
        } else {
            m_decoder.decode(b, m_pending);
        }
    }
}

void RtfReader::appendSpecial(char16_t unit) {
    if (top().chr.hidden) {
        return;
    }
    prepareText();
    appendUnit(unit);
}

// Pairs the surrogate halves that \u delivers one at a time; a half without its partner
// becomes a replacement character.
void RtfReader::appendUnit(char16_t unit) {
    m_decoder.flush(m_pending);
    if (m_highSurrogate) {
        if (isLowSurrogate(unit)) {
            m_pending.push_back(m_highSurrogate);
            m_pending.push_back(unit);
            m_highSurrogate = 0;
            return;
        }
        closeLoneSurrogate();
    }
    if (isHighSurrogate(unit)) {
        m_highSurrogate = unit;
    } else if (isLowSurrogate(unit)) {
        m_pending.push_back(u'\uFFFD');
    } else {
        m_pending.push_back(unit);
    }
}

void RtfReader::closeLoneSurrogate() {
    if (m_highSurrogate) {
        m_pending.push_back(u'\uFFFD');
        m_highSurrogate = 0;
    }
}

// Called before text is added: text in another format than the waiting run ends that run.
void RtfReader::prepareText() {
    const CharProps& chr = top().chr;
    if (!m_pending.empty() && !(chr == m_pendingFormat)) {
        flushText();
    }
    m_pendingFormat = chr;
    m_decoder.setPage(pageOfFont(chr.font));
}

void RtfReader::flushText() {
    m_decoder.flush(m_pending);
    if (m_pending.empty()) {
        return;
    }
    CharFormat f = resolve(m_pendingFormat);
    m_sink.text(m_pending, f);
    m_pending.clear();
}

void RtfReader::endParagraph() {
    closeLoneSurrogate();
    flushText();
    m_sink.paragraphEnd(top().para);
}

void RtfReader::cell() {
    closeLoneSurrogate();
    flushText();
    m_sink.cellEnd(top().para);
}

void RtfReader::row() {
    closeLoneSurrogate();
    flushText();
    m_sink.rowEnd(m_row);
}

void RtfReader::fontTableControl(Kw kw, const Token& t) {
    switch (kw) {
    case Kw::Font:
        if (m_entryFont >= 0 && m_entryFont != t.param) {
            commitFont(); // entries written without their own group
        }
        m_entryFont = t.param;
        break;
    case Kw::FontCharset:
        m_entryCharset = t.param;
        break;
    case Kw::CodePage:
        m_entryCodePage = t.param;
        break;
    default:
        break;
    }
}

void RtfReader::fontBytes(std::string_view bytes) {
    for (char c : bytes) {
        if (c == ';') {
            commitFont();
        } else if (m_entryName.size() < 256) {
            m_entryName.push_back(c);
        }
    }
}

void RtfReader::commitFont() {
    if (m_entryFont >= 0 || !m_entryName.empty()) {
        FontEntry entry;
        entry.charset = m_entryCharset;
        entry.codePage =
            m_entryCodePage > 0 && isKnownCodePage(m_entryCodePage) ? m_entryCodePage : 0;
        ByteDecoder nameDecoder;
        nameDecoder.setPage(entry.codePage ? entry.codePage
                                           : codePageForCharset(m_entryCharset, m_documentPage));
        if (nameDecoder.page() < 0) {
            nameDecoder.setPage(1252);
        }
        std::u16string name;
        for (char c : m_entryName) {
            nameDecoder.decode(static_cast<unsigned char>(c), name);
        }
        nameDecoder.flush(name);
        while (!name.empty() && name.back() == u' ') {
            name.pop_back();
        }
        std::size_t first = name.find_first_not_of(u' ');
        for (std::size_t i = first == std::u16string::npos ? name.size() : first; i < name.size();
             ++i) {
            appendUtf8(entry.name, name[i]);
        }
        if (m_entryFont >= 0) {
            m_fonts[m_entryFont] = std::move(entry);
        }
    }
    m_entryFont = -1;
    m_entryCharset = -1;
    m_entryCodePage = 0;
    m_entryName.clear();
}

void RtfReader::colourBytes(std::string_view bytes) {
    for (char c : bytes) {
        if (c == ';') {
            m_colours.push_back(m_colourSet ? Rgb((m_red << 16) | (m_green << 8) | m_blue)
                                            : kAutoColour);
            m_red = m_green = m_blue = 0;
            m_colourSet = false;
        }
    }
}

int RtfReader::pageOfFont(int font) const {
    auto it = m_fonts.find(font < 0 ? m_defaultFont : font);
    if (it == m_fonts.end()) {
        return m_documentPage;
    }
    const FontEntry& f = it->second;
    if (f.codePage) {
        return f.codePage;
    }
    if (f.charset == 2 || f.name == "Symbol") {
        return contains(f.name, "Wingdings") || contains(f.name, "Webdings") ? kWingdingsPage
                                                                             : kSymbolPage;
    }
    return codePageForCharset(f.charset, m_documentPage);
}

Rgb RtfReader::colour(int index) const {
    if (index >= 0 && static_cast<std::size_t>(index) < m_colours.size()) {
        return m_colours[static_cast<std::size_t>(index)];
    }
    return kAutoColour;
}

CharFormat RtfReader::resolve(const CharProps& chr) const {
    CharFormat f;
    f.bold = chr.bold;
    f.italic = chr.italic;
    f.underline = chr.underline;
    f.strike = chr.strike;
    f.smallCaps = chr.smallCaps;
    f.allCaps = chr.allCaps;
    f.valign = chr.valign;
    f.halfPoints = chr.halfPoints;
    f.foreground = colour(chr.foreground);
    f.background = chr.background > 0 ? colour(chr.background) : kAutoColour;
    auto it = m_fonts.find(chr.font < 0 ? m_defaultFont : chr.font);
    // Symbol fonts were turned into Unicode characters, which their own font would not show.
    if (it != m_fonts.end() && pageOfFont(chr.font) >= 0) {
        f.fontName = it->second.name;
    }
    return f;
}

void RtfReader::pictureControl(Kw kw, const Token& t) {
    int v = clampInt(t.param, 0, 100000);
    switch (kw) {
    case Kw::PngBlip:
        m_picture.type = PictureType::Png;
        break;
    case Kw::JpegBlip:
        m_picture.type = PictureType::Jpeg;
        break;
    case Kw::OtherBlip:
        m_picture.type = PictureType::Other;
        break;
    case Kw::PicWidth:
        m_picture.widthPx = v;
        break;
    case Kw::PicHeight:
        m_picture.heightPx = v;
        break;
    case Kw::PicGoalWidth:
        m_picture.goalWidthTwips = v;
        break;
    case Kw::PicGoalHeight:
        m_picture.goalHeightTwips = v;
        break;
    case Kw::PicScaleX:
        m_picture.scaleX = clampInt(t.param, 1, 1000);
        break;
    case Kw::PicScaleY:
        m_picture.scaleY = clampInt(t.param, 1, 1000);
        break;
    case Kw::Bin:
        m_picture.data.append(t.binary);
        break;
    default:
        break;
    }
}

void RtfReader::pictureHex(std::string_view bytes) {
    for (char c : bytes) {
        int v = -1;
        if (c >= '0' && c <= '9') {
            v = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            v = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            v = c - 'A' + 10;
        }
        if (v < 0) {
            continue;
        }
        if (m_nibble < 0) {
            m_nibble = v;
        } else {
            m_picture.data.push_back(static_cast<char>(m_nibble * 16 + v));
            m_nibble = -1;
        }
    }
}

void RtfReader::finishPicture() {
    flushText();
    m_sink.picture(m_picture, resolve(top().chr));
    m_picture = Picture{};
    m_nibble = -1;
}

} // namespace toolkit::rtf

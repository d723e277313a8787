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
    stack_.clear();
    stack_.reserve(kMaxDepth + 1);
    stack_.push_back(State{});
    RtfTokenizer tokenizer(rtf);
    for (Token t = tokenizer.next(); t.type != TokenType::End; t = tokenizer.next()) {
        handle(t);
        // The document ends with the group it began with; whatever follows is not ours.
        if (started_ && stack_.size() == 1 && skipDepth_ == 0) {
            break;
        }
    }
    if (top().dest == Dest::Picture) {
        finishPicture();
    }
    flushText();
    closeLoneSurrogate();
    flushText();
    decoder_.flush(pending_);
    sink_.documentEnd(top().para);
}

void RtfReader::handle(const Token& t) {
    if (skipDepth_ > 0) {
        if (t.type == TokenType::GroupStart) {
            ++skipDepth_;
        } else if (t.type == TokenType::GroupEnd && --skipDepth_ == 0 && skipPops_) {
            groupEnd();
        }
        return;
    }
    bool star = starPending_;
    starPending_ = false;
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
            skipDepth_ = 1;
            skipPops_ = true;
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
    fallbackLeft_ = 0;
    decoder_.flush(pending_);
    started_ = true;
    if (stack_.size() > kMaxDepth) {
        skipDepth_ = 1;
        skipPops_ = false;
        return;
    }
    stack_.push_back(stack_.back());
}

void RtfReader::groupEnd() {
    fallbackLeft_ = 0;
    decoder_.flush(pending_);
    if (stack_.size() <= 1) {
        return; // an unbalanced closing brace
    }
    Dest closing = top().dest;
    stack_.pop_back();
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
        skipDepth_ = 1;
        skipPops_ = true;
        return true;
    case Kw::FontTable:
        s.dest = Dest::FontTable;
        return true;
    case Kw::ColorTable:
        s.dest = Dest::ColorTable;
        return true;
    case Kw::Picture:
        if (s.dest != Dest::Text || s.chr.hidden) {
            skipDepth_ = 1;
            skipPops_ = true;
        } else {
            s.dest = Dest::Picture;
            picture_ = Picture{};
            nibble_ = -1;
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
        documentPage_ = 1252;
        return;
    case Kw::Mac:
        documentPage_ = 10000;
        return;
    case Kw::Pc:
        documentPage_ = 437;
        return;
    case Kw::Pca:
        documentPage_ = 850;
        return;
    case Kw::AnsiCodePage:
        documentPage_ = isKnownCodePage(t.param) && t.param > 0 ? t.param : 1252;
        return;
    case Kw::DefaultFont:
        defaultFont_ = t.param;
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
            (kw == Kw::Red ? red_ : kw == Kw::Green ? green_ : blue_) = v;
            colourSet_ = true;
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
        if (!pending_.empty()) {
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
        row_ = RowFormat{};
        cellShade_ = 0;
        break;
    case Kw::CellShade:
        cellShade_ = std::max(t.param, 0);
        break;
    case Kw::CellX:
        if (row_.cellRightEdges.size() < kMaxCells) {
            row_.cellRightEdges.push_back(clampInt(t.param, -kMaxTwips, kMaxTwips));
            row_.cellBackgrounds.push_back(cellShade_ > 0 ? colour(cellShade_) : kAutoColour);
        }
        cellShade_ = 0;
        break;
    case Kw::RowLeft:
        row_.leftEdge = clampInt(t.param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Unicode:
        if (!top().chr.hidden) {
            int v = t.param < 0 ? t.param + 65536 : t.param;
            prepareText();
            appendUnit(v >= 0 && v <= 0xFFFF ? static_cast<char16_t>(v) : u'\uFFFD');
        }
        fallbackLeft_ = top().uc;
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
        starPending_ = true;
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
        if (highSurrogate_) {
            closeLoneSurrogate();
        }
        decoder_.decode(byte, pending_);
        break;
    case Dest::FontTable: {
        char ch = static_cast<char>(byte);
        entryName_.push_back(ch);
        break;
    }
    default:
        break;
    }
}

// True when the token is one of the fallback characters that follow \u and must be dropped.
bool RtfReader::consumeFallback() {
    if (fallbackLeft_ > 0) {
        --fallbackLeft_;
        return true;
    }
    return false;
}

void RtfReader::textBytes(std::string_view bytes) {
    std::size_t i = 0;
    while (fallbackLeft_ > 0 && i < bytes.size()) {
        --fallbackLeft_;
        ++i;
    }
    if (i == bytes.size() || top().chr.hidden) {
        return;
    }
    prepareText();
    if (highSurrogate_) {
        closeLoneSurrogate();
    }
    for (; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x20 && b != '\t') {
            continue; // control bytes are not text
        }
        if (b < 0x80 && decoder_.page() >= 0 && !decoder_.hasLead()) {
            pending_.push_back(b);
        } else {
            decoder_.decode(b, pending_);
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
    decoder_.flush(pending_);
    if (highSurrogate_) {
        if (isLowSurrogate(unit)) {
            pending_.push_back(highSurrogate_);
            pending_.push_back(unit);
            highSurrogate_ = 0;
            return;
        }
        closeLoneSurrogate();
    }
    if (isHighSurrogate(unit)) {
        highSurrogate_ = unit;
    } else if (isLowSurrogate(unit)) {
        pending_.push_back(u'\uFFFD');
    } else {
        pending_.push_back(unit);
    }
}

void RtfReader::closeLoneSurrogate() {
    if (highSurrogate_) {
        pending_.push_back(u'\uFFFD');
        highSurrogate_ = 0;
    }
}

// Called before text is added: text in another format than the waiting run ends that run.
void RtfReader::prepareText() {
    const CharProps& chr = top().chr;
    if (!pending_.empty() && !(chr == pendingFormat_)) {
        flushText();
    }
    pendingFormat_ = chr;
    decoder_.setPage(pageOfFont(chr.font));
}

void RtfReader::flushText() {
    decoder_.flush(pending_);
    if (pending_.empty()) {
        return;
    }
    CharFormat f = resolve(pendingFormat_);
    sink_.text(pending_, f);
    pending_.clear();
}

void RtfReader::endParagraph() {
    closeLoneSurrogate();
    flushText();
    sink_.paragraphEnd(top().para);
}

void RtfReader::cell() {
    closeLoneSurrogate();
    flushText();
    sink_.cellEnd(top().para);
}

void RtfReader::row() {
    closeLoneSurrogate();
    flushText();
    sink_.rowEnd(row_);
}

void RtfReader::fontTableControl(Kw kw, const Token& t) {
    switch (kw) {
    case Kw::Font:
        if (entryFont_ >= 0 && entryFont_ != t.param) {
            commitFont(); // entries written without their own group
        }
        entryFont_ = t.param;
        break;
    case Kw::FontCharset:
        entryCharset_ = t.param;
        break;
    case Kw::CodePage:
        entryCodePage_ = t.param;
        break;
    default:
        break;
    }
}

void RtfReader::fontBytes(std::string_view bytes) {
    for (char c : bytes) {
        if (c == ';') {
            commitFont();
        } else if (entryName_.size() < 256) {
            entryName_.push_back(c);
        }
    }
}

void RtfReader::commitFont() {
    if (entryFont_ >= 0 || !entryName_.empty()) {
        FontEntry entry;
        entry.charset = entryCharset_;
        entry.codePage = entryCodePage_ > 0 && isKnownCodePage(entryCodePage_) ? entryCodePage_ : 0;
        ByteDecoder nameDecoder;
        nameDecoder.setPage(entry.codePage ? entry.codePage
                                           : codePageForCharset(entryCharset_, documentPage_));
        if (nameDecoder.page() < 0) {
            nameDecoder.setPage(1252);
        }
        std::u16string name;
        for (char c : entryName_) {
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
        if (entryFont_ >= 0) {
            fonts_[entryFont_] = std::move(entry);
        }
    }
    entryFont_ = -1;
    entryCharset_ = -1;
    entryCodePage_ = 0;
    entryName_.clear();
}

void RtfReader::colourBytes(std::string_view bytes) {
    for (char c : bytes) {
        if (c == ';') {
            colours_.push_back(colourSet_ ? Rgb((red_ << 16) | (green_ << 8) | blue_)
                                          : kAutoColour);
            red_ = green_ = blue_ = 0;
            colourSet_ = false;
        }
    }
}

int RtfReader::pageOfFont(int font) const {
    auto it = fonts_.find(font < 0 ? defaultFont_ : font);
    if (it == fonts_.end()) {
        return documentPage_;
    }
    const FontEntry& f = it->second;
    if (f.codePage) {
        return f.codePage;
    }
    if (f.charset == 2 || f.name == "Symbol") {
        return contains(f.name, "Wingdings") || contains(f.name, "Webdings") ? kWingdingsPage
                                                                             : kSymbolPage;
    }
    return codePageForCharset(f.charset, documentPage_);
}

Rgb RtfReader::colour(int index) const {
    if (index >= 0 && static_cast<std::size_t>(index) < colours_.size()) {
        return colours_[static_cast<std::size_t>(index)];
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
    auto it = fonts_.find(chr.font < 0 ? defaultFont_ : chr.font);
    // Symbol fonts were turned into Unicode characters, which their own font would not show.
    if (it != fonts_.end() && pageOfFont(chr.font) >= 0) {
        f.fontName = it->second.name;
    }
    return f;
}

void RtfReader::pictureControl(Kw kw, const Token& t) {
    int v = clampInt(t.param, 0, 100000);
    switch (kw) {
    case Kw::PngBlip:
        picture_.type = PictureType::Png;
        break;
    case Kw::JpegBlip:
        picture_.type = PictureType::Jpeg;
        break;
    case Kw::OtherBlip:
        picture_.type = PictureType::Other;
        break;
    case Kw::PicWidth:
        picture_.widthPx = v;
        break;
    case Kw::PicHeight:
        picture_.heightPx = v;
        break;
    case Kw::PicGoalWidth:
        picture_.goalWidthTwips = v;
        break;
    case Kw::PicGoalHeight:
        picture_.goalHeightTwips = v;
        break;
    case Kw::PicScaleX:
        picture_.scaleX = clampInt(t.param, 1, 1000);
        break;
    case Kw::PicScaleY:
        picture_.scaleY = clampInt(t.param, 1, 1000);
        break;
    case Kw::Bin:
        picture_.data.append(t.binary);
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
        if (nibble_ < 0) {
            nibble_ = v;
        } else {
            picture_.data.push_back(static_cast<char>(nibble_ * 16 + v));
            nibble_ = -1;
        }
    }
}

void RtfReader::finishPicture() {
    flushText();
    sink_.picture(picture_, resolve(top().chr));
    picture_ = Picture{};
    nibble_ = -1;
}

} // namespace toolkit::rtf

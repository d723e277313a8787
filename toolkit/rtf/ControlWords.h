#pragma once
// The control words the reader acts on. Every other word is read and ignored.

#include <string_view>

namespace toolkit::rtf {

enum class Kw {
    Unknown,
    // destinations
    FontTable,
    ColorTable,
    Picture,
    SkipDestination,
    FieldResult,
    ListText,
    Upr,
    Ud,
    Container, // groups whose content is shown although the word may come after \*
    // document
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    // font table
    Font,
    FontCharset,
    CodePage,
    // colour table
    Red,
    Green,
    Blue,
    // character format
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    SmallCaps,
    AllCaps,
    Super,
    Sub,
    NoSuperSub,
    Up,
    Down,
    Hidden,
    FontSize,
    Foreground,
    Background,
    Highlight,
    // paragraph format
    Pard,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    InTable,
    TabStop,
    // breaks and tables
    Par,
    Line,
    Tab,
    Sect,
    Page,
    Cell,
    Row,
    NestCell,
    NestRow,
    RowDefaults,
    CellX,
    RowLeft,
    CellShade,
    // characters
    Unicode,
    UnicodeSkip,
    EmDash,
    EnDash,
    Bullet,
    LeftQuote,
    RightQuote,
    LeftDoubleQuote,
    RightDoubleQuote,
    EmSpace,
    EnSpace,
    QuarterEmSpace,
    ZeroWidthJoiner,
    ZeroWidthNonJoiner,
    // picture properties
    PngBlip,
    JpegBlip,
    OtherBlip,
    PicWidth,
    PicHeight,
    PicGoalWidth,
    PicGoalHeight,
    PicScaleX,
    PicScaleY,
    Bin,
};

Kw lookupControlWord(std::string_view word);

} // namespace toolkit::rtf

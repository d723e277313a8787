#pragma once
// What the reader tells its sink about the look of text, paragraphs, table rows and pictures.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit::rtf {

// 0xRRGGBB, or kAutoColour for "the view's own colour".
using Rgb = std::uint32_t;
constexpr Rgb kAutoColour = 0xFF000000u;

enum class VerticalAlign : std::uint8_t { Normal, Super, Sub };
enum class Alignment : std::uint8_t { Left, Center, Right, Justify };

struct CharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool smallCaps = false;
    bool allCaps = false;
    VerticalAlign valign = VerticalAlign::Normal;
    int halfPoints = 24;
    Rgb foreground = kAutoColour;
    Rgb background = kAutoColour;
    // Valid during the sink call only; empty when the document names no usable font.
    std::string_view fontName;

    bool operator==(const CharFormat&) const = default;
};

// Lengths in twips (1/20 point).
struct ParaFormat {
    Alignment align = Alignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    bool inTable = false;
    std::vector<int> tabStops; // \tx, from the paragraph's left edge

    bool operator==(const ParaFormat&) const = default;
};

struct RowFormat {
    std::vector<int> cellRightEdges;  // twips from the row's left, one per cell (\cellx)
    std::vector<Rgb> cellBackgrounds; // one per cell, kAutoColour when not shaded
    int leftEdge = 0;                 // \trleft
};

enum class PictureType : std::uint8_t { Png, Jpeg, Other };

struct Picture {
    PictureType type = PictureType::Other;
    int widthPx = 0;  // \picw
    int heightPx = 0; // \pich
    int goalWidthTwips = 0;
    int goalHeightTwips = 0;
    int scaleX = 100; // per cent
    int scaleY = 100;
    std::string data;
};

} // namespace toolkit::rtf

#pragma once
// The settings file "DruckKorvel.ini" beside the program, without widgets: five lines with
// CR LF, no keys and no sections:
//
//   1  the serial settings text of the port component (checked by the component, not here)
//   2  window top, pixels (may be negative)
//   3  window left, pixels
//   4  window width, pixels
//   5  the display's line limit
//
// The window height is not kept. Reading takes CR LF, a lone CR and a lone LF as line ends, and
// a line the file lacks reads as empty text. The reader looks at no more than `kReadBound`
// bytes, so a huge or foreign file costs neither memory nor time; only its first five lines
// matter.
//
// Lines 2 to 4 are applied in order and the first one that is no decimal integer stops the
// load: it is reported with its text, and neither the later lines nor the line limit are
// applied. A line limit that is no integer is the default 12000; a number is taken as it is,
// without the bounds of the line-limit box.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class QString;

namespace printcapture {

inline constexpr int kDefaultLineLimit = 12000;
inline constexpr int kMinLineLimit = 500;
inline constexpr int kMaxLineLimit = 32000;

// The five lines as stored, 8-bit text.
struct SettingsLines {
    std::array<std::string, 5> line;
};

SettingsLines splitSettingsFile(std::string_view bytes);

struct WindowPlace {
    int top = 0;
    int left = 0;
    int width = 0;
};

// What a start-up makes of the file's lines.
struct LoadedSettings {
    std::string settingsText;            // line 1
    std::optional<int> top, left, width; // set as far as the lines were integers
    // Text of the first of lines 2 to 4 that is no integer; the load stops there.
    std::optional<std::string> notAnInteger;
    std::optional<int> maxLines; // only when lines 2 to 4 all were integers
};

LoadedSettings interpretSettings(const SettingsLines& lines);

// A decimal integer in the signed 32-bit range, with an optional sign; blanks around it are
// allowed. Nothing for any other text (empty, hex, digits with letters, out of range).
std::optional<int> toInteger(std::string_view text);

// The answer of the line-limit box turned into a line limit: 12000 when it is no integer,
// then brought within 500 to 32000.
int lineLimitFromAnswer(std::string_view answer);

// The file's bytes: five lines, each ended by CR LF.
std::string composeSettingsFile(std::string_view settingsText, const WindowPlace& place,
                                int maxLines);

// Reads at most kReadBound bytes of the file; nothing when it does not exist or cannot be read.
inline constexpr std::size_t kReadBound = 64 * 1024;
std::optional<std::string> readSettingsFile(const QString& path);

// The conversion error of a line that is no integer, as the program shows it. A huge or
// control-laden line is shortened so the message box stays readable.
QString notAnIntegerMessage(std::string_view text);

} // namespace printcapture

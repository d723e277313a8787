#pragma once
// Program text is 8-bit Windows-1252; QString only at the widget edge.

#include <QString>
#include <string>
#include <string_view>

namespace toolkit {

// One byte to its Unicode character. The five bytes that Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so every byte
// round-trips.
char16_t win1252ToUnicode(unsigned char byte);

QString fromWin1252(std::string_view bytes);

// Characters outside Windows-1252 become '?'.
std::string toWin1252(const QString& text);

} // namespace toolkit

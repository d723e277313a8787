#pragma once
// Loading RTF into Qt's text document.

#include <QString>
#include <string_view>

class QTextDocument;

namespace toolkit::rtf {

// Replaces the document's content with the RTF document's.
void loadRtf(QTextDocument& document, std::string_view rtf);

// Files larger than this are refused rather than read into memory.
constexpr qint64 kMaxRtfFileBytes = 256LL * 1024 * 1024;

// Reads the file and loads it; false with a German error text when it cannot be read.
bool loadRtfFile(QTextDocument& document, const QString& path, QString* error = nullptr);

} // namespace toolkit::rtf

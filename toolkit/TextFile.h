#pragma once
// 8-bit text files: read with CR LF, CR or LF as line ends, written with CR LF after every line,
// always through a temporary file and a rename so a failed write keeps the previous file.

#include "LineSplit.h"

#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace toolkit {

struct ReadResult {
    bool ok = false;
    QString error; // German text for the user when !ok
    std::vector<std::string> lines;
};

// Reads at most maxBytes; a larger file fails with an error instead of filling memory.
ReadResult readLines(const QString& path, qint64 maxBytes = 64 * 1024 * 1024);
std::optional<std::string> readAll(const QString& path, qint64 maxBytes, QString* error = nullptr);

// Writes bytes atomically. Returns false with a German error text on failure.
bool writeFileAtomic(const QString& path, const std::string& bytes, QString* error = nullptr);
bool writeLines(const QString& path, const std::vector<std::string>& lines,
                QString* error = nullptr);

} // namespace toolkit

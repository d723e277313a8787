#pragma once
// Reading the decoders' data files, which lie beside the program and are outside input: a file
// that is too large, is not text (holds a NUL byte) or has an absurdly long line is refused
// instead of being shown, so a wrong file can never freeze or exhaust the window.

#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace servicetool {

using Lines = std::vector<std::string>;

// typ50.csv and Fehler.csv: real tables are a few hundred kilobytes; 16 MiB leaves ample room.
inline constexpr qint64 kTableFileMaxBytes = 16 * 1024 * 1024;
// A detector file holds some sixty short lines.
inline constexpr qint64 kDetectorFileMaxBytes = 1024 * 1024;
// No line of any data file is anywhere near this long.
inline constexpr size_t kMaxLineLength = 64 * 1024;

// The lines of the file (CR LF, CR or LF), or nothing when it cannot be read or is refused.
std::optional<Lines> readDataFile(const QString& path, qint64 maxBytes);

// The same checks on bytes already in memory.
std::optional<Lines> dataFileLines(const std::string& bytes);

// Line n of a table counted from 0; empty text beyond the end.
const std::string& lineAt(const Lines& lines, size_t n);

} // namespace servicetool

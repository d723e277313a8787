#pragma once
// Reading the decoders' data files, which lie beside the program and are outside input: a file
// that is too large is refused like the bytes that DataLines.h refuses.

#include "servicetool/decoders/DataLines.h"

#include <QString>

namespace servicetool {

// typ50.csv and Fehler.csv: real tables are a few hundred kilobytes; 16 MiB leaves ample room.
inline constexpr qint64 kTableFileMaxBytes = 16 * 1024 * 1024;
// A detector file holds some sixty short lines.
inline constexpr qint64 kDetectorFileMaxBytes = 1024 * 1024;

// The lines of the file (CR LF, CR or LF), or nothing when it cannot be read or is refused.
std::optional<Lines> readDataFile(const QString& path, qint64 maxBytes);

} // namespace servicetool

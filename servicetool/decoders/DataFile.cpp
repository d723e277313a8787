#include "servicetool/decoders/DataFile.h"

#include "toolkit/TextFile.h"

namespace servicetool {

std::optional<Lines> readDataFile(const QString& path, qint64 maxBytes) {
    const auto bytes = toolkit::readAll(path, maxBytes);
    if (!bytes) {
        return std::nullopt;
    }
    return dataFileLines(*bytes);
}

} // namespace servicetool

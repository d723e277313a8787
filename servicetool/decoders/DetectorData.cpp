#include "servicetool/decoders/DetectorData.h"

#include <QDir>
#include <algorithm>

namespace servicetool {

const std::vector<LineCell>& operatingDataCells() {
    static const std::vector<LineCell> cells = {
        // optical sensor
        {2, 2, 6},
        {2, 3, 7},
        {3, 3, 46},
        {2, 4, 8},
        {3, 4, 47},
        {2, 5, 9},
        {3, 5, 48},
        {2, 6, 25},
        // CO sensor
        {2, 9, 26},
        {3, 9, 51},
        {2, 10, 17},
        // temperature sensor
        {2, 13, 19},
        {3, 13, 54},
        {2, 14, 20},
        {2, 15, 27},
        // contamination
        {2, 18, 22},
        {3, 18, 56},
        {2, 19, 23},
        {3, 19, 57},
        {2, 20, 28},
    };
    return cells;
}

const std::vector<LineCell>& faultCodeCells() {
    static const std::vector<LineCell> cells = [] {
        std::vector<LineCell> c;
        for (int row = 1; row <= 8; ++row) {
            c.push_back({2, row, 38 - row});
        }
        return c;
    }();
    return cells;
}

std::vector<std::string> cellTexts(const Lines& lines, const std::vector<LineCell>& cells) {
    std::vector<std::string> texts;
    texts.reserve(cells.size());
    for (const LineCell& cell : cells) {
        texts.push_back(lineAt(lines, static_cast<size_t>(cell.line)));
    }
    return texts;
}

QStringList listDetectorFiles(const QString& folder) {
    QDir dir(folder);
    QStringList files =
        dir.entryList({QStringLiteral("*.dat")}, QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    // Case-blind order with a case-sensitive tie-break, so the order never depends on the
    // order the file system lists names in.
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        const int blind = a.compare(b, Qt::CaseInsensitive);
        return blind != 0 ? blind < 0 : a < b;
    });
    return files;
}

namespace {

// The name up to its first dot; empty for a name that starts with a dot.
QString entryOf(const QString& name) {
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot >= 1 ? name.left(dot) : QString();
}

} // namespace

QStringList detectorEntries(const QStringList& files) {
    QStringList entries;
    for (const QString& name : files) {
        const QString entry = entryOf(name);
        if (!entry.isEmpty()) {
            entries << entry;
        }
    }
    return entries;
}

QStringList matchingFiles(const QStringList& files, const QString& entry) {
    QStringList matches;
    if (entry.isEmpty()) {
        return matches;
    }
    for (const QString& name : files) {
        if (name.startsWith(entry, Qt::CaseSensitive)) {
            matches << name;
        }
    }
    return matches;
}

} // namespace servicetool

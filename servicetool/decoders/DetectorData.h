#pragma once
// Detector operating-data files ("*.dat" beside the program): every value is one line, used by
// its position alone and shown unchanged.

#include "servicetool/decoders/DataFile.h"

#include <QStringList>
#include <vector>

namespace servicetool {

// One grid cell filled from one line of the file (lines counted from 0).
struct LineCell {
    int col;
    int row;
    int line;
};

// The value cells of the operating-data grid: stored values (column 2) and fault thresholds
// (column 3).
const std::vector<LineCell>& operatingDataCells();
// Column 2 of the fault-code grid: row r describes bit 8 - r, given by line 30 + bit.
const std::vector<LineCell>& faultCodeCells();

// The texts for cells of the given layout, in the same order.
std::vector<std::string> cellTexts(const Lines& lines, const std::vector<LineCell>& cells);

// Ordinary, not hidden files of the folder whose names match "*.dat" in any case, sorted by name
// without regard to case.
QStringList listDetectorFiles(const QString& folder);

// The entries of the detector box: each name up to its first dot; names starting with a dot
// are left out. Several files may give the same entry.
QStringList detectorEntries(const QStringList& files);

// The files a picked entry loads, in list order: every name that begins with the entry
// (case-sensitive). Names that extend one another all match the shorter entry, and the one that
// sorts last is what the window shows; an empty entry matches none.
QStringList matchingFiles(const QStringList& files, const QString& entry);

} // namespace servicetool

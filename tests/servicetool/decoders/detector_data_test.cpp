#include "TestFolder.h"
#include "servicetool/decoders/DetectorData.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace servicetool;

TEST(DetectorFiles, ListsOrdinaryDatFilesSortedWithoutCase) {
    TestFolder folder;
    for (const char* name : {"b.dat", "A.DAT", "c.Dat", "MS40K.dat", "MS40.dat", ".dat",
                             "x.dat.bak", "y.txt", "z.dat2", "two.dots.dat"}) {
        folder.write(QString::fromLatin1(name), "x");
    }
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("folder.dat")));
    const QStringList files = listDetectorFiles(folder.path());
    EXPECT_EQ(files,
              (QStringList{"A.DAT", "b.dat", "c.Dat", "MS40.dat", "MS40K.dat", "two.dots.dat"}));
    EXPECT_EQ(detectorEntries(files), (QStringList{"A", "b", "c", "MS40", "MS40K", "two"}));
    EXPECT_EQ(detectorEntries({".dat", "a.b.dat", "same.dat", "same.x.dat"}),
              (QStringList{"a", "same", "same"}));
    EXPECT_TRUE(listDetectorFiles(folder.file(QStringLiteral("fehlt/"))).isEmpty());
}

TEST(DetectorFiles, AnEntryTakesEveryFileBeginningWithIt) {
    const QStringList files = {"MS40.alt.dat", "MS40.dat", "MS40K.dat", "ms40.x.dat", "OT20.dat"};
    EXPECT_EQ(matchingFiles(files, QStringLiteral("MS40")),
              (QStringList{"MS40.alt.dat", "MS40.dat", "MS40K.dat"}));
    EXPECT_EQ(matchingFiles(files, QStringLiteral("MS40K")), (QStringList{"MS40K.dat"}));
    EXPECT_EQ(matchingFiles(files, QStringLiteral("MS4")),
              (QStringList{"MS40.alt.dat", "MS40.dat", "MS40K.dat"}));
    EXPECT_EQ(matchingFiles(files, QStringLiteral("ms4")), (QStringList{"ms40.x.dat"}));
    EXPECT_TRUE(matchingFiles(files, QString()).isEmpty());
    EXPECT_TRUE(matchingFiles({".dat"}, QString()).isEmpty());
}

TEST(DetectorFiles, CellsComeFromTheirLines) {
    Lines lines;
    for (int i = 0; i < 58; ++i) {
        lines.push_back("L" + std::to_string(i));
    }
    const auto values = cellTexts(lines, operatingDataCells());
    ASSERT_EQ(values.size(), operatingDataCells().size());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i], "L" + std::to_string(operatingDataCells()[i].line));
    }
    // Row r of the fault-code grid describes bit 8 - r, which line 30 + bit holds.
    const auto meanings = cellTexts(lines, faultCodeCells());
    EXPECT_EQ(meanings.front(), "L37");
    EXPECT_EQ(meanings.back(), "L30");
    lines.resize(47);
    const auto shortValues = cellTexts(lines, operatingDataCells());
    EXPECT_EQ(shortValues[2], "L46"); // row 3 threshold
    EXPECT_EQ(shortValues[4], "");    // row 4 threshold, line 47 missing
}

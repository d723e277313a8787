#include "servicetool/decoders/VestraData.h"

#include <gtest/gtest.h>

using namespace servicetool;

namespace {

std::vector<std::string> column(const MeaningCells& cells, int input) {
    const auto& c = cells[static_cast<size_t>(input - 1)];
    return {c.begin(), c.end()};
}

std::vector<std::string> bitLines(const std::string& prefix, int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back("50;1;" + std::to_string(7 - i) + ";" + prefix + std::to_string(i));
    }
    return lines;
}

Lines concat(std::initializer_list<std::vector<std::string>> parts) {
    Lines all;
    for (const auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

} // namespace

TEST(Typ50, HeaderNames) {
    EXPECT_EQ(elementName("#1;Rauchmelder;"), "Rauchmelder");
    EXPECT_EQ(elementName("#12345"), "34");
    EXPECT_EQ(elementName("#1234"), "3");
    EXPECT_EQ(elementName("#123"), "");
    EXPECT_EQ(elementName("#"), "");
    EXPECT_EQ(elementNames({"#1;A;", "x", "#2;;", "#3;B;"}),
              (std::vector<std::string>{"A", "", "B"}));
}

TEST(Typ50, BitLineTextDropsThreeFields) {
    EXPECT_EQ(bitLineText("50;1;7;Alarm"), "Alarm");
    EXPECT_EQ(bitLineText("50;1;7;Alarm;Zusatz;mehr"), "Alarm;Zusatz;mehr");
    EXPECT_EQ(bitLineText("a;b;c"), "c");
    EXPECT_EQ(bitLineText("a;b"), "b");
    EXPECT_EQ(bitLineText("ohne Trenner"), "ohne Trenner");
    EXPECT_EQ(bitLineText(""), "");
    EXPECT_EQ(columnMarker("IN2"), 2);
    EXPECT_EQ(columnMarker("IN4;x"), 4);
    EXPECT_EQ(columnMarker("IN1;x"), 0);
    EXPECT_EQ(columnMarker("in2"), 0);
    EXPECT_EQ(columnMarker(" IN2"), 0);
}

TEST(Typ50, BlockFillsInputsTopDown) {
    const Lines table = concat({{"#1;Modul;", "@ Kommentar"},
                                bitLines("a", 8),
                                {"IN3;x"},
                                bitLines("c", 2),
                                {"IN2"},
                                bitLines("b", 1),
                                {"#2;Anderes;"},
                                bitLines("z", 8)});
    const MeaningCells cells = fillMeanings(table, "Modul");
    EXPECT_EQ(column(cells, 1),
              (std::vector<std::string>{"a0", "a1", "a2", "a3", "a4", "a5", "a6", "a7"}));
    EXPECT_EQ(column(cells, 2), (std::vector<std::string>{"b0", "", "", "", "", "", "", ""}));
    EXPECT_EQ(column(cells, 3), (std::vector<std::string>{"c0", "c1", "", "", "", "", "", ""}));
    EXPECT_EQ(column(cells, 4), std::vector<std::string>(8, ""));
}

TEST(Typ50, MoreThanEightBitLinesShowOnlyTheFirstEight) {
    const Lines table = concat({{"#1;M;"}, bitLines("a", 11), {"IN2"}, bitLines("b", 2)});
    const MeaningCells cells = fillMeanings(table, "M");
    EXPECT_EQ(cells[0][7], "a7");
    EXPECT_EQ(column(cells, 2), (std::vector<std::string>{"b0", "b1", "", "", "", "", "", ""}));
}

TEST(Typ50, RunStopsAfterThirtyFiveLinesIgnoredLinesCounting) {
    Lines table = {"#1;M;"};
    for (int i = 0; i < 34; ++i) {
        table.push_back("@");
    }
    table.push_back("50;1;7;gelesen");
    table.push_back("50;1;6;zu spaet");
    const MeaningCells cells = fillMeanings(table, "M");
    EXPECT_EQ(cells[0][0], "gelesen");
    EXPECT_EQ(cells[0][1], "");
}

TEST(Typ50, LastBlockNeedsNoClosingHeader) {
    const Lines table = concat({{"#1;A;"}, bitLines("a", 2), {"#2;Letzter;"}, bitLines("l", 3)});
    const MeaningCells cells = fillMeanings(table, "Letzter");
    EXPECT_EQ(column(cells, 1), (std::vector<std::string>{"l0", "l1", "l2", "", "", "", "", ""}));
}

TEST(Typ50, NameInsideOtherLinesStartsRunsAndLaterRunWins) {
    // "Melder" is inside the header of "Hand-Melder" too, and inside a bit line of "Modul".
    const Lines table = concat({{"#1;Melder;"},
                                bitLines("m", 8),
                                {"#2;Hand-Melder;"},
                                bitLines("h", 3),
                                {"#3;Modul;", "50;1;7;Melder aktiv", "50;1;6;nach", "#4;Ende;"}});
    const MeaningCells cells = fillMeanings(table, "Melder");
    EXPECT_EQ(column(cells, 1),
              (std::vector<std::string>{"nach", "h1", "h2", "m3", "m4", "m5", "m6", "m7"}));
    EXPECT_EQ(fillMeanings(table, "melder")[0][0], "");
    EXPECT_EQ(fillMeanings(table, "")[0][0], "");
}

TEST(Typ50, LinesBeyondTheEndReadAsEmptyBitLines) {
    // A run started by the last line writes empty text over what an earlier run wrote.
    const Lines table = concat({{"#1;X;"}, bitLines("x", 8), {"X am Ende"}});
    EXPECT_EQ(column(fillMeanings(table, "X"), 1), std::vector<std::string>(8, ""));
    EXPECT_EQ(column(fillMeanings(table, "#1"), 1)[7], "x7");
}

TEST(Fehler, NumbersAndDescriptions) {
    const Lines faults = {"01001;1;Kurzschluss; Abschnitt aus",
                          "",
                          "0100",
                          "01001;2;zweite",
                          "02000;nur eins",
                          "03000 ohne"};
    EXPECT_EQ(faultNumbers(faults),
              (std::vector<std::string>{"01001", "", "0100", "01001", "02000", "03000"}));
    EXPECT_EQ(faultDescription(faults, "01001"), "Kurzschluss; Abschnitt aus");
    EXPECT_EQ(faultDescription(faults, "02000"), "nur eins");
    EXPECT_EQ(faultDescription(faults, "03000"), "03000 ohne");
    // "0100" is the beginning of the first line, which therefore answers it.
    EXPECT_EQ(faultDescription(faults, "0100"), "Kurzschluss; Abschnitt aus");
    EXPECT_EQ(faultDescription(faults, ""), std::nullopt);
    EXPECT_EQ(faultDescription(faults, "99999"), std::nullopt);
}

TEST(DataFile, RefusesWhatIsNotAText) {
    EXPECT_FALSE(dataFileLines(std::string("a\0b", 3)));
    EXPECT_FALSE(dataFileLines(std::string(kMaxLineLength + 1, 'x')));
    EXPECT_TRUE(dataFileLines(std::string(kMaxLineLength, 'x') + "\r\nkurz"));
    const auto lines = dataFileLines("a\r\nb\rc\n\xe4\r\n");
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (Lines{"a", "b", "c", "\xe4"}));
    EXPECT_EQ(lineAt(*lines, 3), "\xe4");
    EXPECT_EQ(lineAt(*lines, 4), "");
}

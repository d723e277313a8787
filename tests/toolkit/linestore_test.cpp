// The compact line store: lines over chunk and index boundaries, and colour runs.
#include "toolkit/LineStore.h"

#include <gtest/gtest.h>
#include <random>

using toolkit::LineStore;
using toolkit::Rgb;

namespace {

// Collects what visit() hands out, as lines with the colour of their first piece.
struct Collect {
    std::vector<std::string> lines{1};
    std::vector<Rgb> firstColours{0xFFFFFFFF};
    void text(std::string_view bytes, Rgb colour) {
        if (lines.back().empty()) {
            firstColours.back() = colour;
        }
        lines.back() += bytes;
    }
    void lineEnd() {
        lines.emplace_back();
        firstColours.push_back(0xFFFFFFFF);
    }
};

} // namespace

TEST(LineStore, ManyLinesAcrossChunksReadBackByNumberAndInOrder) {
    LineStore store;
    std::mt19937 random(7);
    std::vector<std::string> expected;
    std::vector<Rgb> colours;
    std::size_t longest = 0;
    // About 3 MiB: lines cross chunk boundaries and the every-64th index.
    while (store.size() < (std::size_t{3} << 20)) {
        const std::size_t length = random() % 3 == 0 ? 0 : random() % 180;
        std::string line(length, static_cast<char>('a' + expected.size() % 26));
        const Rgb colour = random() % 5 == 0 ? 0x0000FF : 0x000000;
        store.startLine(colour);
        // Appended in up to three parts, as a line arrives over several polls.
        for (std::size_t at = 0; at < line.size(); at += 70) {
            store.appendText(std::string_view(line).substr(at, 70), colour);
        }
        expected.push_back(line);
        colours.push_back(colour);
        longest = std::max(longest, length);
    }
    ASSERT_EQ(store.lineCount(), expected.size());
    EXPECT_EQ(store.longestLine(), longest);
    for (std::size_t i = 0; i < expected.size(); i += 1 + random() % 97) {
        ASSERT_EQ(store.lineText(i), expected[i]) << "line " << i;
        ASSERT_EQ(store.lineLength(i), expected[i].size());
        ASSERT_EQ(store.lineRuns(i).front().colour, colours[i]) << "line " << i;
    }
    EXPECT_EQ(store.lineText(expected.size() - 1, 3, 5),
              expected.back().substr(std::min<std::size_t>(3, expected.back().size()), 5));

    Collect all;
    store.visit(all);
    ASSERT_EQ(all.lines, expected);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (!expected[i].empty()) {
            ASSERT_EQ(all.firstColours[i], colours[i]) << "line " << i;
        }
    }
    store.clear();
    EXPECT_TRUE(store.empty());
    EXPECT_EQ(store.size(), 0u);
}

TEST(LineStore, ColourRunsWithinALineAndTheColoursInOrderOfFirstUse) {
    LineStore store;
    store.appendText("black ", 0x000000);
    store.appendText("blue", 0x0000FF);
    store.startLine(0xFF0000); // an empty red line
    store.startLine(0x000000);
    store.appendText("x", 0x000000);
    EXPECT_EQ(store.lineCount(), 3u);
    const auto runs = store.lineRuns(0);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].from, 6u);
    EXPECT_EQ(runs[1].colour, 0x0000FFu);
    EXPECT_EQ(store.lineRuns(1).front().colour, 0xFF0000u);
    EXPECT_EQ(store.lineRuns(2).size(), 1u);
    EXPECT_EQ(store.colours(), (std::vector<Rgb>{0x000000, 0x0000FF, 0xFF0000}));
}

// The protocol as the controller's stream: where its lines end, and the window's own lines
// between them.
#include "servicetool/session/ProtocolStream.h"

#include <gtest/gtest.h>

using namespace servicetool;

namespace {

using Lines = std::vector<std::string>;

struct Protocol {
    toolkit::LineStore store;
    ProtocolStream stream{store};

    Protocol& in(std::initializer_list<std::string_view> pieces) {
        for (std::string_view p : pieces) {
            stream.receive(p);
        }
        return *this;
    }
    Lines lines() const {
        Lines out;
        for (std::size_t i = 0; i < store.lineCount(); ++i) {
            out.push_back(store.lineText(i));
        }
        return out;
    }
    toolkit::Rgb colour(std::size_t line) const { return store.lineRuns(line).front().colour; }
};

Lines splitAt(std::string_view text, std::size_t pieces, Protocol& p) {
    const std::size_t step = (text.size() + pieces - 1) / pieces;
    for (std::size_t at = 0; at < text.size(); at += step) {
        p.stream.receive(text.substr(at, step));
    }
    return p.lines();
}

} // namespace

TEST(ProtocolStream, ALineCutAnywhereComesOutWholeWithItsBlanks) {
    const std::string line = "  TR 0042 loop 2  element 117  state 3c  ";
    const std::string sent = line + "\r\n" + line + "\r\n";
    // Two polls, the cut at every position, also inside the CR LF.
    for (std::size_t cut = 0; cut <= sent.size(); ++cut) {
        Protocol p;
        p.in({sent.substr(0, cut), sent.substr(cut)});
        EXPECT_EQ(p.lines(), (Lines{line, line})) << "cut at " << cut;
    }
    // Three polls with both cuts at blanks.
    Protocol three;
    three.in({"  TR 0042 ", "loop 2 ", " element 117  state 3c  \r\n"});
    EXPECT_EQ(three.lines(), Lines{line});
    // A hundred polls.
    const std::string longLine(250, 'x');
    Protocol hundred;
    EXPECT_EQ(splitAt(" " + longLine + " \r\nnext", 100, hundred),
              (Lines{" " + longLine + " ", "next"}));
}

TEST(ProtocolStream, LineEndsAreCrLfLoneCrOrLoneLfAndEmptyLinesStay) {
    // Each case also cut between every two bytes: a pair split over two polls is still one end.
    const struct {
        std::string_view sent;
        Lines lines;
    } cases[] = {
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"a\n\rb\n\r", {"a", "b"}},     // LF CR is one end, as CR LF
        {"a\r\n\r\nb", {"a", "", "b"}}, // two pairs in a row keep their empty line
        {"a\n\r\n\rb", {"a", "", "b"}},
        {"a\r\rb\n\nc", {"a", "", "b", "", "c"}}, // a doubled byte is two ends
        {"a\r\n\rb", {"a", "", "b"}},             // pairs taken from the left
        {"a\n\r\nb", {"a", "", "b"}},
        {"\r\n\n\rx", {"", "", "x"}},
    };
    for (const auto& c : cases) {
        for (std::size_t cut = 0; cut <= c.sent.size(); ++cut) {
            Protocol p;
            p.in({c.sent.substr(0, cut), c.sent.substr(cut)});
            EXPECT_EQ(p.lines(), c.lines) << c.sent << " cut at " << cut;
        }
    }
    Protocol p;
    p.in({"a\r\nb\rc\nd\r", "\nf\n\n", "\r\r\n", "", "g"});
    EXPECT_EQ(p.lines(), (Lines{"a", "b", "c", "d", "f", "", "", "g"}));
    EXPECT_EQ(p.colour(5), kReceivedColour);
    // An empty piece adds nothing, not even to an open line.
    const std::uint64_t size = p.store.size();
    p.in({""});
    EXPECT_EQ(p.store.size(), size);
}

TEST(ProtocolStream, OwnLinesStandOnTheirOwnAndTheInterruptedLineGoesOnAfterThem) {
    Protocol p;
    p.stream.note("# Schnittstelle ist ge\xF6"
                  "ffnet.\r  Jetzt RESET am Panel durchf\xFChren.");
    p.in({"press m to start the lis", "tener"});
    p.stream.note("# m");
    p.in({" ok\r"});
    p.stream.note("# Auswahl: d");
    p.in({"\nmenu"});
    p.stream.note("# m");
    p.in({"\r\n\r\n"}); // only the line end of the interrupted line, then an empty line
    EXPECT_EQ(p.lines(),
              (Lines{"# Schnittstelle ist ge\xF6"
                     "ffnet.",
                     "  Jetzt RESET am Panel durchf\xFChren.", "press m to start the listener",
                     "# m", " ok", "# Auswahl: d", "menu", "# m", ""}));
    const std::vector<toolkit::Rgb> colours = {kOwnColour,     kOwnColour,      kReceivedColour,
                                               kOwnColour,     kReceivedColour, kOwnColour,
                                               kReceivedColour};
    for (std::size_t i = 0; i < colours.size(); ++i) {
        EXPECT_EQ(p.colour(i), colours[i]) << "line " << i;
    }
}

TEST(ProtocolStream, AFullStoreShowsOneQuestionMarkPerRefusedStretch) {
    Protocol p;
    p.stream.setCapacity(16);
    p.in({"0123456789\r"});
    EXPECT_FALSE(p.stream.receive("this piece is far too long\r\n"));
    EXPECT_FALSE(p.stream.receive("and so is this one"));
    EXPECT_TRUE(p.stream.note("# m")); // the window's own lines have their reserve
    EXPECT_FALSE(p.stream.receive("still too long\r"));
    EXPECT_EQ(p.lines(), (Lines{"0123456789", "?", "# m"}));
    EXPECT_EQ(p.colour(1), kOwnColour);

    // A piece that fits ends the stretch; the next refusal is a new one. The refused CR still
    // pairs with the LF that follows it.
    p.stream.setCapacity(64);
    EXPECT_TRUE(p.stream.receive("\nfits"));
    EXPECT_FALSE(p.stream.receive(std::string(100, 'y')));
    EXPECT_EQ(p.lines(), (Lines{"0123456789", "?", "# m", "fits", "?"}));

    // Even a store at its capacity, with the reserve used up, shows the "?".
    Protocol full;
    full.stream.setCapacity(0);
    while (full.stream.note(std::string(1000, 'n'))) {
    }
    full.in({"x"});
    EXPECT_EQ(full.lines().back(), "?");
}

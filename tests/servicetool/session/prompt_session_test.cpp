#include "servicetool/session/PromptSession.h"

#include <gtest/gtest.h>
#include <random>

using namespace servicetool;

namespace {

std::vector<SessionStep::Kind> kinds(const std::vector<SessionStep>& steps) {
    std::vector<SessionStep::Kind> out;
    for (const SessionStep& s : steps) {
        if (s.kind != SessionStep::Show) {
            out.push_back(s.kind);
        }
    }
    return out;
}

using K = std::vector<SessionStep::Kind>;
const SessionStep::Kind M = SessionStep::AnswerListener;
const SessionStep::Kind B = SessionStep::Burst;
const SessionStep::Kind F = SessionStep::FactoryReset;

// Feeds pieces and returns all reactions, in order.
K feed(PromptSession& s, std::initializer_list<std::string_view> pieces, int action = 0) {
    K out;
    for (std::string_view p : pieces) {
        for (auto k : kinds(s.poll(p, action))) {
            out.push_back(k);
        }
    }
    return out;
}

} // namespace

TEST(PromptSession, ShowsEachPieceAsReceivedAndSearchesTheStream) {
    PromptSession s;
    auto steps = s.poll("\r\n  boot loader 2.41 \r\n\x01", 0);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].kind, SessionStep::Show);
    EXPECT_EQ(steps[0].text, "\r\n  boot loader 2.41 \r\n\x01");
    // Blanks only are text too; an empty read shows nothing.
    EXPECT_EQ(s.poll(" \r\n", 0).size(), 1u);
    EXPECT_EQ(s.buffer().tail().substr(s.buffer().tail().size() - 3), " \r\n");
    EXPECT_TRUE(s.poll("", 0).empty());
}

TEST(PromptSession, Version2SessionAnswersListenerThenBurstsWithTheActionOfThatMoment) {
    PromptSession s;
    s.setVersion2(true);
    EXPECT_EQ(feed(s, {"press m to start the lis", "tener"}), K{M});
    EXPECT_TRUE(s.listenerSeen());
    EXPECT_TRUE(s.buffer().empty());
    EXPECT_EQ(feed(s, {"service menu\r\nenter your choice 10 t"}), K{});
    // The action changed while connected: the letter is taken when the prompt is recognised.
    auto steps = s.poll("imes", 2);
    ASSERT_EQ(kinds(steps), K{B});
    EXPECT_EQ(steps.back().letter, 'f');
    // A second menu later in the session bursts again.
    steps = s.poll("again 10 times", 1);
    ASSERT_EQ(kinds(steps), K{B});
    EXPECT_EQ(steps.back().letter, 'n');
    // "listener" again is answered again.
    EXPECT_EQ(feed(s, {"listener"}), K{M});
    EXPECT_EQ(feed(s, {"\r\nloading default config\r\n"}), K{F});
}

TEST(PromptSession, KeywordSplitAtItsBlankIsRecognisedWhereverTheBlankLands) {
    for (auto pieces : std::vector<std::vector<std::string_view>>{{"choice 10 ", "times"},
                                                                  {"choice 10", " times"},
                                                                  {"choice 10", " ", "times"},
                                                                  {"choice 10", "", " times"}}) {
        PromptSession s;
        s.poll("listener", 0);
        K got;
        for (auto p : pieces) {
            for (auto k : kinds(s.poll(p, 0))) {
                got.push_back(k);
            }
        }
        EXPECT_EQ(got, K{B}) << pieces.front() << "|" << pieces.back();
    }
    // Trimmed pieces glued together are not the stream: "10" and "times" on separate lines
    // must not count as "10 times".
    PromptSession s;
    s.poll("listener", 0);
    EXPECT_EQ(feed(s, {"10\r\n", "times"}), K{});
}

TEST(PromptSession, ListenerAndTenTimesInOnePieceAnswerOnlyM) {
    PromptSession s;
    EXPECT_EQ(feed(s, {"start the listener\r\nmenu ... 10 times"}), K{M});
    EXPECT_TRUE(s.buffer().empty());
    EXPECT_EQ(feed(s, {"menu ... 10 times"}), K{B});
}

TEST(PromptSession, TenTimesBeforeListenerIsNeverAnswered) {
    PromptSession s;
    EXPECT_EQ(feed(s, {"menu 10 times"}), K{});
    EXPECT_EQ(feed(s, {"more text"}), K{});
    EXPECT_EQ(feed(s, {"listener"}), K{M}); // empties the buffer with the old "10 times"
    EXPECT_EQ(feed(s, {""}), K{});
    EXPECT_EQ(feed(s, {"10 times"}), K{B});
}

TEST(PromptSession, Version1AnswersOnlyTheTraceLine) {
    PromptSession s;
    s.setVersion2(false);
    EXPECT_EQ(feed(s, {"listener 10 times loading default config",
                       "- ... configuring network\r\n- ... configuring trace o"}),
              K{});
    auto steps = s.poll("ff", 1);
    ASSERT_EQ(kinds(steps), K{B});
    EXPECT_EQ(steps.back().letter, 'n');
    EXPECT_EQ(feed(s, {"- ... configuring trace off"}), K{B});
}

TEST(PromptSession, KeywordsStillPendingFireWhenTheVersionChanges) {
    // Received under Version 1, the buffer keeps "listener"; a switch to Version 2 finds it
    // on the next (empty) tick, as the whole unbounded buffer would.
    PromptSession s;
    s.setVersion2(false);
    EXPECT_EQ(feed(s, {"listener", std::string(200, 'x')}), K{});
    s.setVersion2(true);
    EXPECT_EQ(feed(s, {""}), K{M});
}

TEST(PromptSession, LoadingDefaultConfigIsNotClearedAndResetForgetsTheSession) {
    PromptSession s;
    EXPECT_EQ(feed(s, {"listener"}), K{M});
    EXPECT_EQ(feed(s, {"loading default config"}), K{F});
    EXPECT_EQ(feed(s, {""}), K{F});
    s.reset();
    EXPECT_FALSE(s.listenerSeen());
    EXPECT_EQ(feed(s, {"10 times", ""}), K{});
}

TEST(PromptSession, ActionLetters) {
    EXPECT_EQ(actionLetter(0), 'd');
    EXPECT_EQ(actionLetter(1), 'n');
    EXPECT_EQ(actionLetter(2), 'f');
}

// The bounded buffer must find exactly what an unbounded buffer finds, for any way the
// stream is cut into pieces, with clears in between.
TEST(PromptBuffer, AgreesWithAnUnboundedBufferOnRandomStreams) {
    const std::vector<std::string> words = {"listener",
                                            "10 times",
                                            "loading default config",
                                            "- ... configuring trace off",
                                            "list",
                                            "10 ",
                                            "times",
                                            "- ... ",
                                            "config",
                                            "x",
                                            "\r\n",
                                            " "};
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        std::string stream;
        while (stream.size() < 400) {
            stream += words[rng() % words.size()];
        }
        PromptBuffer bounded;
        std::string unbounded;
        std::size_t pos = 0;
        while (pos < stream.size()) {
            const std::size_t n = std::min<std::size_t>(stream.size() - pos, rng() % 12);
            const std::string piece = stream.substr(pos, n);
            pos += n;
            bounded.append(piece);
            unbounded += piece;
            const char* names[] = {"listener", "10 times", "loading default config",
                                   "- ... configuring trace off"};
            for (int k = 0; k < PromptBuffer::KeywordCount; ++k) {
                ASSERT_EQ(bounded.contains(PromptBuffer::Keyword(k)),
                          unbounded.find(names[k]) != std::string::npos)
                    << "round " << round << " at " << pos;
            }
            ASSERT_LE(bounded.tail().size(), PromptBuffer::tailLimit());
            if (rng() % 7 == 0) {
                bounded.clear();
                unbounded.clear();
            }
        }
    }
}

TEST(PromptBuffer, LongRecordingStaysSmallAndStillFindsAKeywordSplitAcrossPieces) {
    PromptBuffer b;
    const std::string chunk(4096, '.');
    for (int i = 0; i < 256; ++i) {
        b.append(chunk); // 1 MiB
    }
    EXPECT_LE(b.tail().size(), PromptBuffer::tailLimit());
    for (char c : std::string("- ... configuring trace off")) {
        b.append(std::string(1, c));
    }
    EXPECT_TRUE(b.contains(PromptBuffer::TraceOff));
    EXPECT_FALSE(b.contains(PromptBuffer::Listener));
}

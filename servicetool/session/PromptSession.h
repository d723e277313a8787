#pragma once
// The boot-prompt recognition of a service session, without widgets: what the controller sent
// in, which answers to give out. The window executes the answers (view lines, writes, closing).

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace servicetool {

// The answer to "listener", and the letter per action index of " Aktion: ".
inline constexpr char kListenerAnswer = 'm';
char actionLetter(int actionIndex);

// Keeps whether each keyword occurs in everything received since the last clear, while holding
// only a short tail of the text: a keyword that ends in a new piece starts at most its length
// minus one bytes earlier, so the tail plus the new piece always covers it. The search cost of
// a piece therefore does not grow with the length of a recording.
class PromptBuffer {
public:
    // The prompts the controller prints during its boot; kPrompts gives each its text.
    enum Keyword { Listener, TenTimes, LoadingDefaults, TraceOff, KeywordCount };

    void append(std::string_view piece);
    bool contains(Keyword keyword) const { return m_found[keyword]; }
    void clear();
    bool empty() const { return m_tail.empty(); }
    // The last bytes received (at most tailLimit()); for tests and diagnostics.
    const std::string& tail() const { return m_tail; }
    static std::size_t tailLimit();

private:
    std::string m_tail;
    std::array<bool, KeywordCount> m_found{};
};

// One prompt: which keyword it is and its text in the controller's boot output.
struct PromptRecord {
    PromptBuffer::Keyword keyword;
    std::string_view text;
};

// The prompts, one record per keyword in the order of the enum. A record left out would be an
// empty text, which every piece "contains", so its answer would fire at the first poll: the
// check below refuses to compile such a table.
inline constexpr std::array<PromptRecord, PromptBuffer::KeywordCount> kPrompts = {{
    // Version 2: answered with one "m".
    {PromptBuffer::Listener, "listener"},
    // Version 2, once "listener" came: the action letter twelve times.
    {PromptBuffer::TenTimes, "10 times"},
    // Version 2: the port closes and the factory reset is announced.
    {PromptBuffer::LoadingDefaults, "loading default config"},
    // Version 1: the action letter twelve times.
    {PromptBuffer::TraceOff, "- ... configuring trace off"},
}};

constexpr bool promptTableComplete() {
    for (std::size_t k = 0; k < kPrompts.size(); ++k) {
        if (kPrompts[k].keyword != static_cast<PromptBuffer::Keyword>(k) ||
            kPrompts[k].text.empty()) {
            return false;
        }
    }
    return true;
}
static_assert(promptTableComplete(), "every prompt keyword needs its record, in enum order");

// The text of a prompt.
constexpr std::string_view promptText(PromptBuffer::Keyword keyword) {
    return kPrompts[keyword].text;
}

// One reaction of a poll tick, in the order the window carries them out.
struct SessionStep {
    enum Kind {
        Show,           // append `text` (the received piece as it came) to the protocol
        AnswerListener, // append "# m" in blue, send "m" once
        Burst,          // append "# Auswahl: <letter>" in blue, send the letter twelve times
        FactoryReset,   // close the port, stop polling, announce the reset
    };
    Kind kind;
    std::string text; // Show: the piece
    char letter = 0;  // AnswerListener, Burst: the letter to send
};

class PromptSession {
public:
    // "Verbinden": forget the previous session.
    void reset();
    void setVersion2(bool version2) { m_version2 = version2; }
    bool version2() const { return m_version2; }
    bool listenerSeen() const { return m_listenerSeen; }
    const PromptBuffer& buffer() const { return m_buffer; }

    // One poll tick with what ReadString returned. The action index is read when a prompt is
    // recognised, so a change of the action while connected counts for the next prompt.
    std::vector<SessionStep> poll(std::string_view received, int actionIndex);

private:
    void pollVersion2(std::vector<SessionStep>& steps, int actionIndex);
    void pollVersion1(std::vector<SessionStep>& steps, int actionIndex);

    PromptBuffer m_buffer;
    bool m_listenerSeen = false;
    bool m_version2 = true;
};

} // namespace servicetool

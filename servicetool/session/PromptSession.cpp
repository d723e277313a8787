#include "servicetool/session/PromptSession.h"

#include <algorithm>

namespace servicetool {

namespace {

constexpr std::size_t longestKeyword() {
    std::size_t n = 0;
    for (const PromptRecord& prompt : kPrompts) {
        n = std::max(n, prompt.text.size());
    }
    return n;
}

} // namespace

char actionLetter(int actionIndex) {
    switch (actionIndex) {
    case 1:
        return 'n';
    case 2:
        return 'f';
    default:
        return 'd';
    }
}

std::size_t PromptBuffer::tailLimit() {
    return longestKeyword() - 1;
}

void PromptBuffer::append(std::string_view piece) {
    if (piece.empty()) {
        return;
    }
    m_tail.append(piece);
    for (std::size_t k = 0; k < kPrompts.size(); ++k) {
        if (!m_found[k] && m_tail.find(kPrompts[k].text) != std::string::npos) {
            m_found[k] = true;
        }
    }
    if (m_tail.size() > tailLimit()) {
        m_tail.erase(0, m_tail.size() - tailLimit());
    }
}

void PromptBuffer::clear() {
    m_tail.clear();
    m_found.fill(false);
}

void PromptSession::reset() {
    m_buffer.clear();
    m_listenerSeen = false;
}

std::vector<SessionStep> PromptSession::poll(std::string_view received, int actionIndex) {
    std::vector<SessionStep> steps;
    // Shown as received: the protocol is the stream, its lines end where the controller ends
    // them.
    if (!received.empty()) {
        steps.push_back({SessionStep::Show, std::string(received)});
    }
    // The stream is searched as received: a blank or line end at the edge of a piece belongs
    // to the keyword that continues in the next piece ("10 " then "times").
    m_buffer.append(received);
    if (m_version2) {
        pollVersion2(steps, actionIndex);
    } else {
        pollVersion1(steps, actionIndex);
    }
    return steps;
}

void PromptSession::pollVersion2(std::vector<SessionStep>& steps, int actionIndex) {
    if (m_buffer.contains(PromptBuffer::Listener)) {
        steps.push_back({SessionStep::AnswerListener, {}, kListenerAnswer});
        m_buffer.clear();
        m_listenerSeen = true;
    }
    if (m_listenerSeen && m_buffer.contains(PromptBuffer::TenTimes)) {
        m_buffer.clear();
        steps.push_back({SessionStep::Burst, {}, actionLetter(actionIndex)});
    }
    // Not cleared here: the port is closed, and the next "Verbinden" starts afresh.
    if (m_buffer.contains(PromptBuffer::LoadingDefaults)) {
        steps.push_back({SessionStep::FactoryReset, {}});
    }
}

void PromptSession::pollVersion1(std::vector<SessionStep>& steps, int actionIndex) {
    if (m_buffer.contains(PromptBuffer::TraceOff)) {
        m_buffer.clear();
        steps.push_back({SessionStep::Burst, {}, actionLetter(actionIndex)});
    }
}

} // namespace servicetool

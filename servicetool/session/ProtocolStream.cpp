#include "servicetool/session/ProtocolStream.h"

namespace servicetool {

namespace {

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// The byte that completes a line end begun with c: controllers end lines with CR LF or LF CR.
char otherHalf(char c) {
    return c == '\r' ? '\n' : '\r';
}

// What a byte leaves open: after a lone CR or LF its other half would complete the pair;
// after a complete pair or text nothing.
char pairAfter(char c, char pairsWith) {
    if (!isLineEnd(c) || c == pairsWith) {
        return 0;
    }
    return otherHalf(c);
}

} // namespace

void ProtocolStream::clear() {
    m_store.clear();
    m_lineOpen = false;
    m_pairsWith = 0;
    m_interrupted = false;
    m_refusing = false;
}

bool ProtocolStream::receive(std::string_view piece) {
    if (piece.empty()) {
        return true;
    }
    // At most every byte plus the start of a new line.
    if (m_store.size() + piece.size() + 1 > m_capacity) {
        refuse(piece);
        return false;
    }
    m_refusing = false;
    std::size_t i = 0;
    while (i < piece.size()) {
        const char c = piece[i];
        if (isLineEnd(c)) {
            const bool secondHalf = c == m_pairsWith;
            m_pairsWith = pairAfter(c, m_pairsWith);
            if (!secondHalf) {
                if (!m_lineOpen && !m_interrupted) {
                    m_store.startLine(kReceivedColour); // an empty line of the controller's
                }
                m_lineOpen = false;
                m_interrupted = false;
            }
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < piece.size() && !isLineEnd(piece[end])) {
            ++end;
        }
        if (!m_lineOpen) {
            m_store.startLine(kReceivedColour);
            m_lineOpen = true;
            m_interrupted = false;
        }
        m_store.appendText(piece.substr(i, end - i), kReceivedColour);
        m_pairsWith = 0;
        i = end;
    }
    return true;
}

void ProtocolStream::refuse(std::string_view piece) {
    // The refused bytes are not shown, but where they stopped still counts: a CR pairs with a
    // following LF (an LF with a CR), and a line they left open is ended by the next line end.
    for (const char c : piece) {
        m_pairsWith = pairAfter(c, m_pairsWith);
    }
    m_interrupted = !isLineEnd(piece.back());
    m_lineOpen = false;
    if (m_refusing) {
        return;
    }
    m_refusing = true;
    m_store.startLine(kOwnColour);
    m_store.appendText("?", kOwnColour);
}

bool ProtocolStream::note(std::string_view text, toolkit::Rgb colour) {
    if (m_store.size() + text.size() + 1 > m_capacity + kOwnReserve) {
        return false;
    }
    m_store.startLine(colour);
    for (std::size_t i = 0; i < text.size();) {
        if (isLineEnd(text[i])) {
            const bool pair = i + 1 < text.size() && text[i + 1] == otherHalf(text[i]);
            i += pair ? 2 : 1;
            m_store.startLine(colour);
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !isLineEnd(text[end])) {
            ++end;
        }
        m_store.appendText(text.substr(i, end - i), colour);
        i = end;
    }
    m_interrupted = m_interrupted || m_lineOpen;
    m_lineOpen = false;
    return true;
}

} // namespace servicetool

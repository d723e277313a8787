#include "servicetool/session/ProtocolRecording.h"

namespace servicetool {

std::string ProtocolRecording::takeNew(const toolkit::LineStore& store) {
    std::string out;
    const std::size_t lines = store.lineCount();
    for (; m_line < lines; ++m_line, m_column = 0) {
        const std::size_t length = store.lineLength(m_line);
        if (m_column < length) {
            out += store.lineText(m_line, m_column);
            m_column = length;
        }
        if (m_line + 1 == lines) {
            break; // the last line may go on
        }
        out += "\r\n";
    }
    return out;
}

std::string ProtocolRecording::finish(const toolkit::LineStore& store) {
    std::string out = takeNew(store);
    if (m_line < store.lineCount()) {
        out += "\r\n";
        ++m_line;
        m_column = 0;
    }
    return out;
}

} // namespace servicetool

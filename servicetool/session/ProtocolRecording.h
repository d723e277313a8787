#pragma once
// Follows the session protocol into its recording file: the lines of the store exactly as the
// view shows them, each followed by CR LF, the received text and the window's own "# " lines
// alike.
//
// The store only grows at its end (a received line is continued, further lines follow), so
// the part already written never changes: takeNew() hands out what came since the last call,
// the last line possibly unfinished (it is continued by the next call); finish() ends that
// last line. The store must not be cleared while a recording follows it; reset() starts over
// at an empty store.

#include "toolkit/LineStore.h"

#include <cstddef>
#include <string>

namespace servicetool {

class ProtocolRecording {
public:
    void reset() { m_line = m_column = 0; }
    std::string takeNew(const toolkit::LineStore& store);
    std::string finish(const toolkit::LineStore& store);

private:
    std::size_t m_line = 0;   // the line being written
    std::size_t m_column = 0; // bytes of it already written
};

} // namespace servicetool

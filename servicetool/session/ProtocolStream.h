#pragma once
// How the session protocol fills its store: the controller's output as the continuous stream
// it is, and the window's own lines between it.
//
// - A received piece continues the last received line; a line ends only where the controller
//   ends it: CR LF or LF CR is one end, also when its two bytes arrive in different pieces;
//   a lone CR or LF is one. Pairs are taken from the left, so "a\r\n\r\nb" and
//   "a\n\r\n\rb" keep their empty line. Blanks and empty lines stay. An empty piece adds
//   nothing.
// - The window's own lines ("# ..." in blue) always stand on lines of their own; a CR or LF
//   inside one (CR LF and LF CR as one) starts a further line of the same entry. A received line
//   they interrupt goes on after them on a new line; when all that follows is its line end, no
//   empty line appears.
// - The store takes `capacity()` bytes of the controller's text (line ends count one). A
//   piece that does not fit is refused whole and a blue "?" line is shown in its place, once
//   per refused stretch: the next piece that fits ends the stretch. The window's own lines
//   have a reserve beyond the capacity, and the "?" line always fits, so the reaction to a
//   full store is always seen.

#include "toolkit/LineStore.h"

#include <cstdint>
#include <string_view>

namespace servicetool {

inline constexpr toolkit::Rgb kReceivedColour = 0x000000;
inline constexpr toolkit::Rgb kOwnColour = 0x0000FF;

class ProtocolStream {
public:
    // 64 MiB: about 90 minutes of trace output at 115200 bit/s.
    static constexpr std::uint64_t kDefaultCapacity = std::uint64_t{64} << 20;
    static constexpr std::uint64_t kOwnReserve = 64 * 1024;

    explicit ProtocolStream(toolkit::LineStore& store) : m_store(store) {}

    void setCapacity(std::uint64_t bytes) { m_capacity = bytes; }
    std::uint64_t capacity() const { return m_capacity; }

    // Returns false when the piece was refused.
    bool receive(std::string_view piece);
    // One entry of the window's own; false when even the reserve is used up.
    bool note(std::string_view text, toolkit::Rgb colour = kOwnColour);
    // Empties the store and forgets where the stream stood.
    void clear();

private:
    void refuse(std::string_view piece);

    toolkit::LineStore& m_store;
    std::uint64_t m_capacity = kDefaultCapacity;
    bool m_lineOpen = false; // the store's last line is a received line not yet ended
    char m_pairsWith = 0;    // the last received byte was a lone CR (LF): an LF (CR) belongs to it
    bool m_interrupted = false; // a received line was cut off by a line of the window's own
    bool m_refusing = false;    // within a refused stretch: its "?" is shown
};

} // namespace servicetool

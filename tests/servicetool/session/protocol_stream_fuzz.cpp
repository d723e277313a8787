// libFuzzer: any byte stream, cut anywhere and mixed with lines of the window's own, keeps every
// received byte except the line ends, and without own lines gives exactly the controller's
// lines. A small capacity makes the store refuse pieces: then it holds no more than allowed.

#include "servicetool/session/ProtocolStream.h"
#include "stream_lines.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace servicetool;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    toolkit::LineStore store;
    ProtocolStream stream(store);
    const bool small = (data[0] & 0x80) != 0;
    if (small) {
        stream.setCapacity(data[0] & 0x7F);
    }
    std::string received;
    std::size_t notes = 0;
    bool refused = false;
    for (std::size_t pos = 1; pos < size;) {
        // The first byte of each piece gives its length and whether it is a line of our own.
        const std::size_t n = std::min<std::size_t>(size - pos - 1, data[pos] & 0x3F);
        const bool own = (data[pos] & 0x40) != 0;
        const std::string piece(reinterpret_cast<const char*>(data + pos + 1), n);
        pos += n + 1;
        if (own) {
            notes += stream.note("# " + piece) ? 1 : 0;
        } else if (stream.receive(piece)) {
            received += piece;
        } else {
            refused = true;
        }
    }
    std::string kept;
    std::vector<std::string> receivedLines;
    for (std::size_t i = 0; i < store.lineCount(); ++i) {
        const std::string line = store.lineText(i);
        if (line.find('\r') != std::string::npos) {
            std::abort(); // a line end inside a line
        }
        if (store.lineRuns(i).front().colour == kReceivedColour) {
            kept += line;
            receivedLines.push_back(line);
        }
    }
    if (small && store.size() > stream.capacity() + ProtocolStream::kOwnReserve + 2 * size) {
        std::abort();
    }
    if (refused) {
        return 0;
    }
    std::string expected;
    for (char c : received) {
        if (c != '\r' && c != '\n') {
            expected += c;
        }
    }
    if (kept != expected || (notes == 0 && receivedLines != controllerLines(received))) {
        std::abort();
    }
    return 0;
}

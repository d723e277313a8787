// Any bytes read as a description file give four fields and five notes lines, and writing what
// was read then reading it again gives the same data: nothing a file holds is lost or altered
// on the way through the window.
#include "printcapture/CustomerInfo.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const printcapture::CustomerData read = printcapture::parseDescriptionFile(bytes);
    if (read.notes.count(QLatin1Char('\n')) != printcapture::kHeaderNotesLines - 1) {
        std::abort();
    }
    std::string written;
    for (const std::string& line : printcapture::descriptionFileLines(read)) {
        written += line + "\r\n";
    }
    if (!(printcapture::parseDescriptionFile(written) == read)) {
        std::abort();
    }
    return 0;
}

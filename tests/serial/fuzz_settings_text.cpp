// libFuzzer target: the settings line comes from a file that anyone may have edited.
#include "serial/SerialSettings.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TSerialSettings present;
    present.COMPort = 1;
    const TSerialSettings read = settingstext::read(text, present);
    if (read.Valid) {
        // An accepted line holds values that write out to a line that is accepted again.
        const std::string again = settingstext::write(read);
        if (again.size() != 91 || !settingstext::read(again, present).Valid) {
            __builtin_trap();
        }
    }
    return 0;
}

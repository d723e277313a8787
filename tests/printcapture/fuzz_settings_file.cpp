// libFuzzer target: the settings file lies beside the program, and anyone may have edited it,
// cut it short or put another program's file there.
#include "printcapture/SettingsFile.h"
#include "serial/SerialSettings.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace printcapture;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const LoadedSettings loaded = interpretSettings(splitSettingsFile(bytes));
    TSerialSettings present;
    present.COMPort = 1;
    settingstext::read(loaded.settingsText, present);
    if (loaded.notAnInteger) {
        if (notAnIntegerMessage(*loaded.notAnInteger).size() > 200) {
            __builtin_trap(); // the message box would not stay readable
        }
        return 0;
    }
    // What a start-up took in, written out again, reads back the same.
    const WindowPlace place{*loaded.top, *loaded.left, *loaded.width};
    const LoadedSettings again = interpretSettings(
        splitSettingsFile(composeSettingsFile(loaded.settingsText, place, *loaded.maxLines)));
    if (again.settingsText != loaded.settingsText || again.top != loaded.top ||
        again.left != loaded.left || again.width != loaded.width ||
        again.maxLines != loaded.maxLines) {
        __builtin_trap();
    }
    return 0;
}

// The comm API first and windows.h after it: the order opposite to the win32 backend's, so the
// cross build compiles both.
#include "RunningUnderWine.h"

#include "serial/comm/CommApi.h"

#include <windows.h>

bool runningUnderWine() {
    // wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

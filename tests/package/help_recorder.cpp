// Stands in for the HTML help viewer's library (hhctrl.ocx) in the zip test: wine's viewer
// needs an HTML engine that is not installed, and a test cannot read what a viewer shows. Every
// call is appended to the file named by KORVEL_HELP_LOG as "owner|text|command|data".
#include <windows.h>

#include <cstdio>
#include <cstdlib>

extern "C" __declspec(dllexport) HWND WINAPI
    HtmlHelpA(HWND owner, LPCSTR file, UINT command, DWORD_PTR data) {
    const char* logName = std::getenv("KORVEL_HELP_LOG");
    if (logName == nullptr) {
        return nullptr;
    }
    if (FILE* log = std::fopen(logName, "ab")) {
        std::fprintf(log, "%s|%s|%u|%llu\n", owner ? "owner" : "none", file ? file : "(null)",
                     command, static_cast<unsigned long long>(data));
        std::fclose(log);
    }
    return nullptr;
}

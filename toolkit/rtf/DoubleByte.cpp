// Double-byte Asian code pages are decoded by the platform's converter: their tables are far
// larger than the few characters that turn up in the documents we read.
#include "toolkit/rtf/CodePages.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <mutex>
#endif

namespace toolkit::rtf::detail {

#ifdef _WIN32

char16_t decodeDoubleByte(int page, unsigned char lead, unsigned char trail) {
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    wchar_t out[2] = {};
    int n = MultiByteToWideChar(static_cast<UINT>(page), MB_ERR_INVALID_CHARS, lead ? in : in + 1,
                                lead ? 2 : 1, out, 2);
    return n == 1 ? static_cast<char16_t>(out[0]) : u'\uFFFD';
}

#else

namespace {

const char* iconvName(int page) {
    switch (page) {
    case 932:
        return "CP932";
    case 936:
        return "GBK";
    case 949:
        return "CP949";
    case 950:
        return "BIG5";
    case 1361:
        return "JOHAB";
    default:
        return nullptr;
    }
}

struct Converter {
    int page = 0;
    iconv_t handle = reinterpret_cast<iconv_t>(-1);
};

} // namespace

char16_t decodeDoubleByte(int page, unsigned char lead, unsigned char trail) {
    static std::mutex mutex;
    static Converter converter;
    const char* name = iconvName(page);
    if (!name) {
        return u'\uFFFD';
    }
    std::lock_guard lock(mutex);
    if (converter.page != page) {
        if (converter.handle != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(converter.handle);
        }
        converter.handle = iconv_open("UTF-16LE", name);
        converter.page = page;
    }
    if (converter.handle == reinterpret_cast<iconv_t>(-1)) {
        return u'\uFFFD';
    }
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    char* inPtr = lead ? in : in + 1;
    size_t inLeft = lead ? 2 : 1;
    unsigned char out[4] = {};
    char* outPtr = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    iconv(converter.handle, nullptr, nullptr, nullptr, nullptr);
    size_t r = iconv(converter.handle, &inPtr, &inLeft, &outPtr, &outLeft);
    if (r == static_cast<size_t>(-1) || outLeft != 2) {
        return u'\uFFFD';
    }
    return static_cast<char16_t>(out[0] | (out[1] << 8));
}

#endif

} // namespace toolkit::rtf::detail

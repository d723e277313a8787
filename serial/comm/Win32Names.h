// No include guard: CommApi.h includes this file twice, before and after its declarations.
//
// windows.h defines most of the comm API's names (INVALID_HANDLE_VALUE, GENERIC_READ, EV_RXCHAR,
// ERROR_IO_PENDING, WM_DEVICECHANGE, ...) as macros. The first inclusion saves and removes those
// macros so that CommApi.h can declare its own constants under the same names; the second one
// puts the platform's macros back. So a file may include windows.h and CommApi.h in either
// order: where windows.h comes first, the platform's values are taken before the macros are
// removed and checked against ours at compile time (the win32 backend includes windows.h and
// dbt.h first, so every Windows build checks them). Elsewhere the file does nothing.
//
// After both are included, a name means the platform's macro again; its value is ours, checked.

#if defined(_WIN32)

// The names that windows.h or dbt.h define as macros and whose values must equal ours.
// INVALID_HANDLE_VALUE is a pointer cast there, not a constant expression: the backend
// checks it where it converts handles.
// clang-format off
#define KORVEL_WIN32_VALUES(X)                                                                     \
    X(MAXDWORD)                                                                                    \
    X(GENERIC_READ) X(GENERIC_WRITE) X(OPEN_EXISTING) X(FILE_ATTRIBUTE_NORMAL)                     \
    X(FILE_FLAG_OVERLAPPED)                                                                        \
    X(ERROR_SUCCESS) X(ERROR_FILE_NOT_FOUND) X(ERROR_ACCESS_DENIED) X(ERROR_INVALID_HANDLE)        \
    X(ERROR_NOT_SUPPORTED)                                                                         \
    X(ERROR_BAD_COMMAND) X(ERROR_SHARING_VIOLATION) X(ERROR_INSUFFICIENT_BUFFER)                   \
    X(ERROR_GEN_FAILURE) X(ERROR_INVALID_PARAMETER) X(ERROR_OPERATION_ABORTED)                     \
    X(ERROR_IO_INCOMPLETE) X(ERROR_IO_PENDING) X(ERROR_DEVICE_REMOVED)                             \
    X(NOPARITY) X(ODDPARITY) X(EVENPARITY) X(MARKPARITY) X(SPACEPARITY)                            \
    X(ONESTOPBIT) X(ONE5STOPBITS) X(TWOSTOPBITS)                                                   \
    X(DTR_CONTROL_DISABLE) X(DTR_CONTROL_ENABLE) X(DTR_CONTROL_HANDSHAKE)                          \
    X(RTS_CONTROL_DISABLE) X(RTS_CONTROL_ENABLE) X(RTS_CONTROL_HANDSHAKE)                          \
    X(EV_RXCHAR) X(EV_RXFLAG) X(EV_TXEMPTY) X(EV_CTS) X(EV_DSR) X(EV_RLSD) X(EV_BREAK) X(EV_ERR)   \
    X(EV_RING)                                                                                     \
    X(VER_PLATFORM_WIN32_NT)                                                                       \
    X(PURGE_TXABORT) X(PURGE_RXABORT) X(PURGE_TXCLEAR) X(PURGE_RXCLEAR)                            \
    X(THREAD_PRIORITY_IDLE) X(THREAD_PRIORITY_LOWEST) X(THREAD_PRIORITY_BELOW_NORMAL)              \
    X(THREAD_PRIORITY_NORMAL) X(THREAD_PRIORITY_ABOVE_NORMAL) X(THREAD_PRIORITY_HIGHEST)           \
    X(THREAD_PRIORITY_TIME_CRITICAL)                                                               \
    X(WM_DEVICECHANGE) X(DBT_DEVICEARRIVAL) X(DBT_DEVICEREMOVECOMPLETE) X(DBT_DEVTYP_PORT)
// clang-format on
#define KORVEL_WIN32_NAMES(X) X(INVALID_HANDLE_VALUE) KORVEL_WIN32_VALUES(X)

#define KORVEL_WIN32_PRAGMA(text) _Pragma(#text)
#define KORVEL_WIN32_PUSH(name) KORVEL_WIN32_PRAGMA(push_macro(#name))
#define KORVEL_WIN32_POP(name) KORVEL_WIN32_PRAGMA(pop_macro(#name))

#ifndef KORVEL_WIN32_NAMES_HIDDEN
#define KORVEL_WIN32_NAMES_HIDDEN

// windows.h and dbt.h came first: keep their values under other names for the check.
#if defined(EV_RXCHAR) && defined(DBT_DEVTYP_PORT) && !defined(KORVEL_WIN32_VALUES_TAKEN)
#define KORVEL_WIN32_VALUES_TAKEN
namespace comm::win32::platform {
#define KORVEL_WIN32_TAKE(name) inline constexpr auto name##_ = name;
KORVEL_WIN32_VALUES(KORVEL_WIN32_TAKE)
#undef KORVEL_WIN32_TAKE
} // namespace comm::win32::platform
#define KORVEL_WIN32_CHECK_VALUES
#endif

KORVEL_WIN32_NAMES(KORVEL_WIN32_PUSH)
#undef INVALID_HANDLE_VALUE
#undef MAXDWORD
#undef GENERIC_READ
#undef GENERIC_WRITE
#undef OPEN_EXISTING
#undef FILE_ATTRIBUTE_NORMAL
#undef FILE_FLAG_OVERLAPPED
#undef ERROR_SUCCESS
#undef ERROR_FILE_NOT_FOUND
#undef ERROR_ACCESS_DENIED
#undef ERROR_INVALID_HANDLE
#undef ERROR_NOT_SUPPORTED
#undef ERROR_BAD_COMMAND
#undef ERROR_SHARING_VIOLATION
#undef ERROR_INSUFFICIENT_BUFFER
#undef ERROR_GEN_FAILURE
#undef ERROR_INVALID_PARAMETER
#undef ERROR_OPERATION_ABORTED
#undef ERROR_IO_INCOMPLETE
#undef ERROR_IO_PENDING
#undef ERROR_DEVICE_REMOVED
#undef NOPARITY
#undef ODDPARITY
#undef EVENPARITY
#undef MARKPARITY
#undef SPACEPARITY
#undef ONESTOPBIT
#undef ONE5STOPBITS
#undef TWOSTOPBITS
#undef DTR_CONTROL_DISABLE
#undef DTR_CONTROL_ENABLE
#undef DTR_CONTROL_HANDSHAKE
#undef RTS_CONTROL_DISABLE
#undef RTS_CONTROL_ENABLE
#undef RTS_CONTROL_HANDSHAKE
#undef EV_RXCHAR
#undef EV_RXFLAG
#undef EV_TXEMPTY
#undef EV_CTS
#undef EV_DSR
#undef EV_RLSD
#undef EV_BREAK
#undef EV_ERR
#undef EV_RING
#undef VER_PLATFORM_WIN32_NT
#undef PURGE_TXABORT
#undef PURGE_RXABORT
#undef PURGE_TXCLEAR
#undef PURGE_RXCLEAR
#undef THREAD_PRIORITY_IDLE
#undef THREAD_PRIORITY_LOWEST
#undef THREAD_PRIORITY_BELOW_NORMAL
#undef THREAD_PRIORITY_NORMAL
#undef THREAD_PRIORITY_ABOVE_NORMAL
#undef THREAD_PRIORITY_HIGHEST
#undef THREAD_PRIORITY_TIME_CRITICAL
#undef WM_DEVICECHANGE
#undef DBT_DEVICEARRIVAL
#undef DBT_DEVICEREMOVECOMPLETE
#undef DBT_DEVTYP_PORT

#else // second inclusion, after CommApi.h's declarations
#undef KORVEL_WIN32_NAMES_HIDDEN

#ifdef KORVEL_WIN32_CHECK_VALUES
#undef KORVEL_WIN32_CHECK_VALUES
#define KORVEL_WIN32_CHECK(name)                                                                   \
    static_assert(comm::name == comm::win32::platform::name##_,                                    \
                  #name " must have the platform's value");
KORVEL_WIN32_VALUES(KORVEL_WIN32_CHECK)
#undef KORVEL_WIN32_CHECK
#endif

KORVEL_WIN32_NAMES(KORVEL_WIN32_POP)
#endif

#undef KORVEL_WIN32_PUSH
#undef KORVEL_WIN32_POP
#undef KORVEL_WIN32_PRAGMA
#undef KORVEL_WIN32_NAMES
#undef KORVEL_WIN32_VALUES

#endif // _WIN32

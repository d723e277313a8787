#pragma once
// Enumerations, tables and the event type shared by the registry, the component and the
// settings dialog.

#include <cstdint>
#include <functional>

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum class TBaudrate : std::uint8_t {
    br_000050,
    br_000110,
    br_000150,
    br_000300,
    br_000600,
    br_001200,
    br_002400,
    br_004800,
    br_009600,
    br_014400,
    br_019200,
    br_028800,
    br_038400,
    br_056000,
    br_057600,
    br_115200,
    br_128000,
    br_230400,
    br_256000,
    br_460800,
    br_921600
};
inline constexpr int kBaudrateCount = 21;
extern const std::uint32_t BaudRateValues[kBaudrateCount];

// The number of data bits is the ordinal plus 4.
enum class TDataBits : std::uint8_t { db_4, db_5, db_6, db_7, db_8 };
inline constexpr int kDataBitsCount = 5;

// The ordinal is the Win32 parity code.
enum class TParityBit : std::uint8_t { none, odd, even, mark, space };
inline constexpr int kParityBitCount = 5;
extern const char* const ParityNames[kParityBitCount];

// The ordinal is the Win32 stop-bit code.
enum class TStopBits : std::uint8_t { sb_1, sb_15, sb_2 };
inline constexpr int kStopBitsCount = 3;
extern const char* const StopBitNames[kStopBitsCount];

enum class TThreadPriority : std::uint8_t {
    tpIdle,
    tpLowest,
    tpLower,
    tpNormal,
    tpHigher,
    tpHighest,
    tpTimeCritical
};

#pragma once
// All line settings of a serial component as one record, and its one-line text form.

#include <cstdint>
#include <string>

struct TSerialSettings {
    bool Valid = false;
    std::int32_t COMPort = 0;
    std::uint8_t Baudrate = 0;
    std::uint8_t DataBits = 0;
    std::uint8_t ParityBit = 0;
    std::uint8_t StopBits = 0;
    std::int32_t BufSizeTrm = 0;
    std::int32_t BufSizeRec = 0;
    bool HandshakeRtsCts = false;
    bool HandshakeDtrDsr = false;
    bool HandshakeXOnXOff = false;
    bool RTSActive = false;
    bool DTRActive = false;
    unsigned char XOnChar = 0;
    unsigned char XOffChar = 0;
    std::int32_t XOffLimit = 0;
    std::int32_t XOnLimit = 0;
    unsigned char ErrorChar = 0;
    unsigned char EofChar = 0;
    unsigned char EventChar = 0;
    bool ContinueOnXOff = false;
    bool UseErrorChar = false;
    bool EliminateNullChar = false;
    bool AbortOnError = false;
    std::int32_t RecTimeOut = 0;
    std::int32_t TrmTimeOut = 0;

    bool operator==(const TSerialSettings&) const = default;
};

namespace settingstext {

// The 91-character line "RRS0..." of a valid record; "" for a record that is not Valid.
std::string write(const TSerialSettings& settings);

// Reads a settings line over `present` (the component's settings now). Fields are taken one
// by one until the first that fails; Valid is true only when the whole line was accepted.
TSerialSettings read(const std::string& text, TSerialSettings present);

} // namespace settingstext

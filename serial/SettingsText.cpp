// The settings line: fixed-width decimal fields behind the magic "RRS0", closed by the
// exclusive-or of the first 88 characters. Stored settings files carry it as their first line.
#include "SerialSettings.h"

#include <array>
#include <climits>
#include <cstring>
#include <optional>

namespace settingstext {

namespace {

constexpr char kMagic[] = "RRS0";
constexpr std::size_t kChecked = 88; // the checksum covers positions 0 to 87
constexpr std::size_t kArea = 128;

using Area = std::array<char, kArea>;

class Writer {
public:
    Writer() {
        m_area.fill('\0');
        std::memcpy(m_area.data(), kMagic, 4);
    }
    // Left-padded with "0"; a longer number keeps only its first `width` characters.
    void number(long long value, std::size_t width) {
        std::string digits = std::to_string(value);
        if (digits.size() < width) {
            digits.insert(0, width - digits.size(), '0');
        }
        std::memcpy(m_area.data() + m_pos, digits.data(), width);
        m_pos += width;
    }
    void flag(bool value) { number(value ? 1 : 0, 1); }
    void character(unsigned char value) { number(value, 3); }
    std::string finish() {
        unsigned sum = 0;
        for (std::size_t i = 0; i < kChecked; ++i) {
            sum ^= static_cast<unsigned char>(m_area[i]);
        }
        m_pos = kChecked;
        number(sum, 3);
        return std::string(m_area.data()); // up to the first zero byte
    }

private:
    Area m_area{};
    std::size_t m_pos = 4;
};

class Reader {
public:
    explicit Reader(const std::string& text) {
        m_area.fill('\0');
        std::memcpy(m_area.data(), text.data(), std::min<std::size_t>(text.size(), kArea - 1));
    }
    bool magicOk() const { return std::memcmp(m_area.data(), kMagic, 4) == 0; }
    bool checksumOk() const {
        unsigned sum = 0;
        for (std::size_t i = 0; i < kChecked; ++i) {
            sum ^= static_cast<unsigned char>(m_area[i]);
        }
        const auto stored = integerAt(kChecked, 3);
        return stored && *stored == static_cast<long long>(sum);
    }
    // The next field as a whole decimal number (leading zeros allowed).
    std::optional<long long> integer(std::size_t width) {
        const auto value = integerAt(m_pos, width);
        m_pos += width;
        return value;
    }
    // A character field never fails: its leading digits, reduced to eight bits.
    unsigned char character() {
        const std::string text = field(m_pos, 3);
        m_pos += 3;
        unsigned value = 0;
        for (char c : text) {
            if (c < '0' || c > '9') {
                break;
            }
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
        return static_cast<unsigned char>(value & 0xFF);
    }

private:
    // The field's characters up to its end or the first zero byte.
    std::string field(std::size_t pos, std::size_t width) const {
        std::string text;
        for (std::size_t i = pos; i < pos + width && m_area[i] != '\0'; ++i) {
            text += m_area[i];
        }
        return text;
    }
    std::optional<long long> integerAt(std::size_t pos, std::size_t width) const {
        const std::string text = field(pos, width);
        if (text.empty()) {
            return std::nullopt;
        }
        long long value = 0;
        for (char c : text) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
        }
        return value;
    }

    Area m_area{};
    std::size_t m_pos = 4;
};

bool toInt32(std::optional<long long> v, std::int32_t& out) {
    if (!v || *v > INT_MAX) {
        return false;
    }
    out = static_cast<std::int32_t>(*v);
    return true;
}

bool toOrdinal(std::optional<long long> v, long long limit, std::uint8_t& out) {
    if (!v || *v >= limit) {
        return false;
    }
    out = static_cast<std::uint8_t>(*v);
    return true;
}

bool toFlag(std::optional<long long> v, bool& out) {
    if (!v) {
        return false;
    }
    out = *v > 0;
    return true;
}

// Reads the fields in line order into s, stopping at the first that fails.
bool readFields(Reader& r, TSerialSettings& s) {
    return toInt32(r.integer(3), s.COMPort) && toOrdinal(r.integer(2), 21, s.Baudrate) &&
           toOrdinal(r.integer(1), 5, s.DataBits) && toOrdinal(r.integer(1), 5, s.ParityBit) &&
           toOrdinal(r.integer(1), 3, s.StopBits) && toInt32(r.integer(8), s.BufSizeTrm) &&
           toInt32(r.integer(8), s.BufSizeRec) && toFlag(r.integer(1), s.HandshakeRtsCts) &&
           toFlag(r.integer(1), s.HandshakeDtrDsr) && toFlag(r.integer(1), s.HandshakeXOnXOff) &&
           toFlag(r.integer(1), s.RTSActive) && toFlag(r.integer(1), s.DTRActive) &&
           ((s.XOnChar = r.character()), true) && ((s.XOffChar = r.character()), true) &&
           toInt32(r.integer(8), s.XOffLimit) && toInt32(r.integer(8), s.XOnLimit) &&
           ((s.ErrorChar = r.character()), true) && ((s.EofChar = r.character()), true) &&
           ((s.EventChar = r.character()), true) && toFlag(r.integer(1), s.ContinueOnXOff) &&
           toFlag(r.integer(1), s.UseErrorChar) && toFlag(r.integer(1), s.EliminateNullChar) &&
           toFlag(r.integer(1), s.AbortOnError) && toInt32(r.integer(10), s.RecTimeOut) &&
           toInt32(r.integer(10), s.TrmTimeOut);
}

} // namespace

std::string write(const TSerialSettings& s) {
    if (!s.Valid) {
        return {};
    }
    Writer w;
    w.number(s.COMPort, 3);
    w.number(s.Baudrate, 2);
    w.number(s.DataBits, 1);
    w.number(s.ParityBit, 1);
    w.number(s.StopBits, 1);
    w.number(s.BufSizeTrm, 8);
    w.number(s.BufSizeRec, 8);
    w.flag(s.HandshakeRtsCts);
    w.flag(s.HandshakeDtrDsr);
    w.flag(s.HandshakeXOnXOff);
    w.flag(s.RTSActive);
    w.flag(s.DTRActive);
    w.character(s.XOnChar);
    w.character(s.XOffChar);
    w.number(s.XOffLimit, 8);
    w.number(s.XOnLimit, 8);
    w.character(s.ErrorChar);
    w.character(s.EofChar);
    w.character(s.EventChar);
    w.flag(s.ContinueOnXOff);
    w.flag(s.UseErrorChar);
    w.flag(s.EliminateNullChar);
    w.flag(s.AbortOnError);
    w.number(s.RecTimeOut, 10);
    w.number(s.TrmTimeOut, 10);
    return w.finish();
}

TSerialSettings read(const std::string& text, TSerialSettings present) {
    present.Valid = false;
    if (text.size() <= 4) {
        return present;
    }
    Reader r(text);
    if (!r.magicOk() || !r.checksumOk()) {
        return present;
    }
    present.Valid = readFields(r, present);
    return present;
}

} // namespace settingstext

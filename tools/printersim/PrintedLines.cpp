#include "PrintedLines.h"

#include <array>
#include <cstdio>

namespace printersim {

namespace {

// splitmix64: small, fast and good enough to vary the printout.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t m_state;
};

// Windows-1252 text of panel words, German letters included.
constexpr std::array<const char*, 24> kWords = {
    "St\xF6rung",
    "Melder",
    "Brandmelder",
    "R\xFC"
    "ckstellung",
    "Abschaltung",
    "Pr\xFC"
    "fung",
    "Stra\xDF"
    "e",
    "\xDC"
    "bertragung",
    "Ausl\xF6sung",
    "Gruppe",
    "Zone",
    "Linie",
    "T\xFC"
    "r",
    "K\xFC"
    "che",
    "B\xFC"
    "ro",
    "Gr\xF6\xDF"
    "e",
    "\xC4nderung",
    "\xD6"
    "ffner",
    "Spannung",
    "Netz",
    "Batterie",
    "Erdschluss",
    "Alarm",
    "Quittiert",
};

constexpr std::array<const char*, 6> kHeads = {
    "\xC4nderung",
    "\xDC"
    "berwachung",
    "\xD6"
    "lpumpe",
    "Alarm",
    "St\xF6rung",
    "Betrieb",
};

std::string words(Random& r, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            s += ' ';
        }
        s += kWords[static_cast<std::size_t>(r.below(static_cast<int>(kWords.size())))];
    }
    return s;
}

std::string number(int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

// DC1 bytes at random places; the window removes them before anything else looks at the line.
std::string withStrayDC1(Random& r, std::string wire) {
    const int count = r.below(8) == 0 ? 1 + r.below(3) : 0;
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(r.below(static_cast<int>(wire.size()) + 1));
        wire.insert(at, 1, '\x11');
    }
    return wire;
}

PrintedLine lineOfKind(Random& r, int index) {
    PrintedLine line;
    const int kind = r.below(20);
    if (kind == 0) {
        line.shown = "";
        line.style = ExpectedStyle::Keep;
    } else if (kind == 1) {
        line.shown = std::string(1, "-=*\xC4"
                                    "1"[r.below(5)]);
        line.style = ExpectedStyle::Keep;
    } else if (kind < 9) {
        const std::string head = r.below(3) == 0 ? kHeads[static_cast<std::size_t>(r.below(6))]
                                                 : number(index % 10000, 4);
        line.shown = head + "  " + number(r.below(24), 2) + ":" + number(r.below(60), 2) + "  " +
                     words(r, 1 + r.below(6));
        line.style = ExpectedStyle::Bold;
    } else {
        line.shown = std::string(1 + r.below(6), ' ') + words(r, 1 + r.below(7)) + " #" +
                     std::to_string(index);
        line.style = ExpectedStyle::Regular;
    }
    return line;
}

} // namespace

std::string toCodePage437(const std::string& win1252) {
    std::string out;
    out.reserve(win1252.size());
    for (unsigned char c : win1252) {
        switch (c) {
        case 0xC4:
            out += '\x8E';
            break;
        case 0xD6:
            out += '\x99';
            break;
        case 0xDC:
            out += '\x9A';
            break;
        case 0xE4:
            out += '\x84';
            break;
        case 0xF6:
            out += '\x94';
            break;
        case 0xFC:
            out += '\x81';
            break;
        case 0xDF:
            out += '\xE1';
            break;
        default:
            out += static_cast<char>(c);
        }
    }
    return out;
}

PrintedLine makeLine(std::uint64_t seed, int index) {
    Random r(seed * 1000003u + static_cast<std::uint64_t>(index));
    PrintedLine line = lineOfKind(r, index);
    line.wire = withStrayDC1(r, toCodePage437(line.shown));
    return line;
}

} // namespace printersim

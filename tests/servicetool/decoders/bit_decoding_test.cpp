#include "servicetool/decoders/BitDecoding.h"

#include <gtest/gtest.h>

using namespace servicetool;

namespace {

// The marks of grid rows 1..8 (bit 7 at the top) for a data field entry.
std::string marks(const std::string& field, bool hex) {
    const std::string bits = DecodeBits(prepareEntry(field, hex));
    std::string rows;
    for (int row = 1; row <= 8; ++row) {
        rows += bitMark(bits, row) == "   x" ? 'x' : '-';
    }
    return rows;
}

} // namespace

TEST(DecodeBits, BitZeroComesFirst) {
    EXPECT_EQ(DecodeBits("1"), "10000000");
    EXPECT_EQ(DecodeBits("128"), "00000001");
    EXPECT_EQ(DecodeBits("$A5"), "10100101");
}

TEST(DecodeBits, DataFieldTable) {
    struct Case {
        const char* field;
        bool hex;
        const char* rows;
    } cases[] = {
        {"", true, "--------"},         {"0", true, "--------"},
        {"ff", true, "xxxxxxxx"},       {"FF", true, "xxxxxxxx"},
        {"255", false, "xxxxxxxx"},     {"-1", false, "xxxxxxxx"},
        {"256", false, "--------"},     {"10", true, "---x----"},
        {"10", false, "----x-x-"},      {"$ff", false, "xxxxxxxx"},
        {"0xff", false, "xxxxxxxx"},    {"0XFF", false, "xxxxxxxx"},
        {"xff", false, "xxxxxxxx"},     {"$ff", true, "--------"},
        {"0xff", true, "--------"},     {"-1", true, "--------"},
        {"+1", true, "--------"},       {" 1f ", true, "---xxxxx"},
        {"\t1f\r\n", true, "---xxxxx"}, {"ff", false, "--------"},
        {"+7", false, "-----xxx"},      {"1 2", false, "--------"},
        {"12a", false, "--------"},     {"-", false, "--------"},
        {"$", false, "--------"},       {"0x", false, "--------"},
        {"-$ff", false, "--------"},    {"-0xff", false, "--------"},
        {"1.0", false, "--------"},     {"00000000ff", true, "xxxxxxxx"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(marks(c.field, c.hex), c.rows) << '"' << c.field << "\" hex=" << c.hex;
    }
}

TEST(DecodeBits, ThirtyTwoBitLimits) {
    EXPECT_EQ(parseInteger("2147483647"), 2147483647);
    EXPECT_EQ(parseInteger("-2147483648"), INT32_MIN);
    EXPECT_EQ(parseInteger("2147483648"), std::nullopt);
    EXPECT_EQ(parseInteger("-2147483649"), std::nullopt);
    EXPECT_EQ(parseInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(parseInteger("$100000000"), std::nullopt);
    EXPECT_EQ(parseInteger("$0000000000000001"), 1);
    EXPECT_EQ(parseInteger("99999999999999999999999"), std::nullopt);
    EXPECT_EQ(parseInteger("  42"), 42);
    EXPECT_EQ(parseInteger("42 "), std::nullopt);
    // A value out of range is 0, not its low byte.
    EXPECT_EQ(DecodeBits("$1000000FF"), "00000000");
}

TEST(BitMark, OutsideTheEightRowsIsBlankMark) {
    EXPECT_EQ(bitMark("11111111", 0), "   -");
    EXPECT_EQ(bitMark("11111111", 9), "   -");
    EXPECT_EQ(bitMark("1", 8), "   x");
    EXPECT_EQ(bitMark("1", 7), "   -");
}

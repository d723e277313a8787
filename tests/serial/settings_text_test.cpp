// The settings record and its one-line text.
#include "FakeComm.h"
#include "serial/Serial.h"

#include <gtest/gtest.h>
#include <random>

namespace {

const std::string kDefaultLine =
    "RRS0001084000000204800002048000000170190000160000000400063026013000000000000000000000000096";
const std::string kServiceLine =
    "RRS0001154000000204800002048100000170190000160000000400063026013000000000000000000000000109";

// Recomputes the checksum of a changed line.
std::string withChecksum(std::string line) {
    unsigned sum = 0;
    for (int i = 0; i < 88; ++i) {
        sum ^= static_cast<unsigned char>(line[i]);
    }
    char digits[4];
    std::snprintf(digits, sizeof digits, "%03u", sum);
    return line.replace(88, 3, digits);
}

class SettingsText : public ::testing::Test {
protected:
    FakeSerialWorld world{1, 2, 3, 4};
    TSerial serial;
};

TEST_F(SettingsText, TheTwoKnownLinesComeOutAndReadBackEqual) {
    const TSerialSettings initial = serial.GetSettings();
    EXPECT_TRUE(initial.Valid);
    EXPECT_EQ(serial.SettingsToText(initial), kDefaultLine);

    serial.setBaudrate(TBaudrate::br_115200);
    serial.setHandshakeRtsCts(true);
    const TSerialSettings service = serial.GetSettings();
    EXPECT_EQ(serial.SettingsToText(service), kServiceLine);

    EXPECT_EQ(serial.TextToSettings(kDefaultLine), initial);
    EXPECT_EQ(serial.TextToSettings(kServiceLine), service);
    EXPECT_EQ(kDefaultLine.size(), 91u);
}

TEST_F(SettingsText, AnyChangedDigitWithoutItsChecksumIsRefused) {
    for (std::size_t pos = 4; pos < kDefaultLine.size(); ++pos) {
        std::string line = kDefaultLine;
        line[pos] = line[pos] == '9' ? '8' : static_cast<char>(line[pos] + 1);
        EXPECT_FALSE(serial.TextToSettings(line).Valid) << "position " << pos;
    }
    std::string otherMagic = kDefaultLine;
    otherMagic[3] = '1';
    EXPECT_FALSE(serial.TextToSettings(withChecksum(otherMagic)).Valid);
}

TEST_F(SettingsText, ShortAndCutLinesAreRefused) {
    EXPECT_FALSE(serial.TextToSettings("").Valid);
    EXPECT_FALSE(serial.TextToSettings("RRS0").Valid);
    EXPECT_FALSE(serial.TextToSettings("RRS").Valid);
    EXPECT_FALSE(serial.TextToSettings(kDefaultLine.substr(0, 60)).Valid);
    EXPECT_FALSE(serial.TextToSettings(kDefaultLine.substr(0, 90)).Valid);
    // What follows the checksum plays no part.
    EXPECT_TRUE(serial.TextToSettings(kDefaultLine + "\r\nrest of the file").Valid);
}

TEST_F(SettingsText, TheHighestBitRateRoundTripsAndOrdinal21IsRefused) {
    serial.setBaudrate(TBaudrate::br_921600);
    const std::string line = serial.SettingsToText(serial.GetSettings());
    EXPECT_EQ(line.substr(7, 2), "20");
    const TSerialSettings back = serial.TextToSettings(line);
    EXPECT_TRUE(back.Valid);
    EXPECT_EQ(back.Baudrate, 20);

    std::string bad = line;
    bad.replace(7, 2, "21");
    EXPECT_FALSE(serial.TextToSettings(withChecksum(bad)).Valid);
    bad.replace(9, 1, "5"); // data bits, with the bit rate fixed again
    bad.replace(7, 2, "15");
    EXPECT_FALSE(serial.TextToSettings(withChecksum(bad)).Valid);
}

TEST_F(SettingsText, ReadingStopsAtTheFirstBadFieldAndKeepsTheRestAsTheyAre) {
    std::string line = kServiceLine;
    line.replace(4, 3, "003");
    line.replace(12, 8, "0000x000"); // BufSizeTrm does not convert
    const TSerialSettings read = serial.TextToSettings(withChecksum(line));
    EXPECT_FALSE(read.Valid);
    EXPECT_EQ(read.COMPort, 3);         // read before the bad field
    EXPECT_EQ(read.Baudrate, 15);       // read before the bad field
    EXPECT_FALSE(read.HandshakeRtsCts); // after it: the present setting
}

TEST_F(SettingsText, LongNumbersKeepTheirFirstDigitsAndCharactersTheirLowBits) {
    TSerialSettings s = serial.GetSettings();
    s.BufSizeRec = 123456789;
    s.RecTimeOut = 2000000000;
    const std::string line = serial.SettingsToText(s);
    EXPECT_EQ(line.substr(20, 8), "12345678");
    EXPECT_EQ(line.substr(68, 10), "2000000000");

    std::string chars = kDefaultLine;
    chars.replace(33, 3, "999"); // XOnChar
    chars.replace(36, 3, "4x1"); // XOffChar: leading digits only
    const TSerialSettings read = serial.TextToSettings(withChecksum(chars));
    EXPECT_TRUE(read.Valid);
    EXPECT_EQ(read.XOnChar, 999 & 0xFF);
    EXPECT_EQ(read.XOffChar, 4);

    std::string huge = kDefaultLine;
    huge.replace(68, 10, "9999999999"); // beyond 32 bits
    EXPECT_FALSE(serial.TextToSettings(withChecksum(huge)).Valid);
}

TEST_F(SettingsText, ARecordThatIsNotValidIsNeitherWrittenNorApplied) {
    TSerialSettings s = serial.GetSettings();
    s.Valid = false;
    s.Baudrate = 15;
    EXPECT_EQ(serial.SettingsToText(s), "");
    serial.SetSettings(s);
    EXPECT_EQ(serial.Baudrate(), TBaudrate::br_009600);
}

// Every field differs from the component's present value, so a field that is skipped shows.
TEST_F(SettingsText, ARestoredPortThatIsMissingKeepsThePortAndAppliesEveryOtherField) {
    serial.setCOMPort(2);
    TSerialSettings s = serial.GetSettings();
    s.COMPort = 7;
    s.Baudrate = 15;
    s.DataBits = 3;
    s.ParityBit = 2;
    s.StopBits = 2;
    s.BufSizeTrm = 512;
    s.BufSizeRec = 4000;
    s.HandshakeRtsCts = s.HandshakeDtrDsr = s.HandshakeXOnXOff = true;
    s.RTSActive = s.DTRActive = true;
    s.XOnChar = 'a';
    s.XOffChar = 'b';
    s.XOffLimit = 3000;
    s.XOnLimit = 700;
    s.ErrorChar = 'c';
    s.EofChar = 'd';
    s.EventChar = 'e';
    s.ContinueOnXOff = s.UseErrorChar = s.EliminateNullChar = s.AbortOnError = true;
    s.RecTimeOut = 100;
    s.TrmTimeOut = 200;
    serial.SetSettings(s);
    TSerialSettings expected = s;
    expected.COMPort = 2;
    EXPECT_EQ(serial.GetSettings(), expected);
    EXPECT_TRUE(serial.ParityCheck());
}

TEST_F(SettingsText, LimitsAreAppliedAgainstThePresentOnes) {
    TSerialSettings s = serial.GetSettings();
    s.XOffLimit = 300;
    s.XOnLimit = 100;
    serial.SetSettings(s);
    EXPECT_EQ(serial.XOffLimit(), 401);
    EXPECT_EQ(serial.XOnLimit(), 100);
}

TEST_F(SettingsText, OrdinalsOutsideTheirRangeInAHandMadeRecordAreNotApplied) {
    TSerialSettings s = serial.GetSettings();
    s.Baudrate = 200;
    s.StopBits = 9;
    serial.SetSettings(s);
    EXPECT_EQ(serial.Baudrate(), TBaudrate::br_009600);
    EXPECT_EQ(serial.StopBits(), TStopBits::sb_1);
}

TEST_F(SettingsText, GarbageIsRefusedWithoutHarm) {
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 300);
    for (int i = 0; i < 5000; ++i) {
        std::string text(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : text) {
            c = static_cast<char>(byte(random));
        }
        if (i % 2) {
            text.replace(0, std::min<std::size_t>(4, text.size()), "RRS0");
        }
        EXPECT_FALSE(serial.TextToSettings(text).Valid);
    }
    for (std::size_t n = 0; n <= kServiceLine.size(); ++n) {
        EXPECT_EQ(serial.TextToSettings(kServiceLine.substr(0, n)).Valid, n == kServiceLine.size());
    }
    std::string withZero = kDefaultLine;
    withZero[47] = '\0'; // XOnLimit becomes an empty field
    EXPECT_FALSE(serial.TextToSettings(withChecksum(withZero)).Valid);
}

} // namespace

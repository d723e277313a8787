// The settings file's reader and writer, without a window: what a start-up makes of well-formed,
// short, damaged and foreign files, the line-limit box's conversion, and a stored window place.
#include "printcapture/ScreenPlace.h"
#include "printcapture/SettingsFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace printcapture;

namespace {

LoadedSettings load(std::string_view bytes) {
    return interpretSettings(splitSettingsFile(bytes));
}

} // namespace

TEST(SettingsFile, WrittenFileReadsBackWithAnyLineEnds) {
    const std::string bytes = composeSettingsFile("RRS0text", {-12, 40, 500}, 777);
    EXPECT_EQ(bytes, "RRS0text\r\n-12\r\n40\r\n500\r\n777\r\n");
    for (const char* ends : {"\r\n", "\r", "\n"}) {
        std::string other;
        for (const char* l : {"RRS0text", "-12", "40", "500", "777", "sechste Zeile"}) {
            other += std::string(l) + ends;
        }
        const LoadedSettings s = load(other);
        EXPECT_EQ(s.settingsText, "RRS0text");
        EXPECT_EQ(s.top, -12);
        EXPECT_EQ(s.left, 40);
        EXPECT_EQ(s.width, 500);
        EXPECT_EQ(s.maxLines, 777);
        EXPECT_FALSE(s.notAnInteger);
    }
    // An empty line between is a line: "" is no integer.
    EXPECT_EQ(load("t\r\n\r\n1\r\n2\r\n3\r\n").notAnInteger, "");
}

TEST(SettingsFile, TheFirstPlaceLineThatIsNoIntegerStopsTheLoad) {
    const LoadedSettings one = load("RRS0only\r\n"); // a one-line file: line 2 reads as empty
    EXPECT_EQ(one.settingsText, "RRS0only");
    EXPECT_EQ(one.notAnInteger, "");
    EXPECT_FALSE(one.top);
    EXPECT_FALSE(one.maxLines);

    const LoadedSettings third = load("t\r\n10\r\nlinks\r\n500\r\n800\r\n");
    EXPECT_EQ(third.top, 10);
    EXPECT_FALSE(third.left);
    EXPECT_FALSE(third.width);
    EXPECT_EQ(third.notAnInteger, "links");
    EXPECT_FALSE(third.maxLines);

    // Line 5 has no bounds at load, and text there is the default without a message.
    EXPECT_EQ(load("t\r\n1\r\n2\r\n3\r\n100\r\n").maxLines, 100);
    EXPECT_EQ(load("t\r\n1\r\n2\r\n3\r\nviele\r\n").maxLines, 12000);
    EXPECT_EQ(load("t\r\n1\r\n2\r\n3\r\n").maxLines, 12000);
    const LoadedSettings none = load("");
    EXPECT_EQ(none.settingsText, "");
    EXPECT_EQ(none.notAnInteger, "");
}

TEST(SettingsFile, IntegersAreDecimalAndWithinThirtyTwoBits) {
    EXPECT_EQ(toInteger("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(toInteger("2147483647"), 2147483647);
    EXPECT_EQ(toInteger(" 42 "), 42);
    EXPECT_EQ(toInteger("+7"), 7);
    EXPECT_EQ(toInteger("007"), 7);
    for (const char* bad : {"", " ", "2147483648", "-2147483649", "0x10", "$10", "12a", "1 2",
                            "+-1", "-", "+", "1.5", "1e3"}) {
        EXPECT_FALSE(toInteger(bad)) << bad;
    }
    EXPECT_FALSE(toInteger(std::string_view("5\0", 2)));
}

TEST(SettingsFile, AHugeFileIsReadOnlyAsFarAsItsFirstBytesAndQuotedShort) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DruckKorvel.ini"));
    EXPECT_FALSE(readSettingsFile(path)); // no file
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(8 * 1024 * 1024, '7')); // one huge line
    f.close();
    const std::optional<std::string> bytes = readSettingsFile(path);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), kReadBound);
    EXPECT_EQ(load(*bytes).notAnInteger, "");

    const QString huge = notAnIntegerMessage(std::string(100000, 'x') + "\x01");
    EXPECT_LT(huge.size(), 120);
    EXPECT_EQ(notAnIntegerMessage("a\tb"), QStringLiteral("'a?b' ist kein gültiger Integerwert"));
    EXPECT_EQ(notAnIntegerMessage("\xE4"), QStringLiteral("'ä' ist kein gültiger Integerwert"));
}

// A stored place stays where a screen shows the window's title strip (also a little above the
// top edge, or on a second screen left of the primary); beyond every screen the window is
// centred on the primary one, or put at its corner when it is larger.
TEST(SettingsFile, AStoredPlaceBeyondEveryScreenLandsOnThePrimary) {
    const QRect primary(0, 0, 1920, 1040);
    const QList<QRect> screens{primary, QRect(-1280, 0, 1280, 1024)};
    const QSize size(330, 400);
    for (const QPoint kept :
         {QPoint(100, 200), QPoint(40, -12), QPoint(-1200, 500), QPoint(1900 - 330 + 40, 0)}) {
        EXPECT_EQ(placeOnScreen(QRect(kept, size), screens, primary), kept) << kept.x();
    }
    const QPoint centred(795, 320);
    for (const QPoint lost : {QPoint(30000, 30000), QPoint(-3000, 100), QPoint(100, 1040),
                              QPoint(100, -19), QPoint(1920 - 39, 10)}) {
        EXPECT_EQ(placeOnScreen(QRect(lost, size), screens, primary), centred) << lost.x();
    }
    EXPECT_EQ(placeOnScreen(QRect(5000, 0, 4000, 3000), screens, primary), QPoint(0, 0));
}

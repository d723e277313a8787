#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace toolkit;

TEST(Win1252, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    QString text = fromWin1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text[0x80], QChar(0x20AC));
    EXPECT_EQ(text[0xC4], QChar(u'Ä'));
    EXPECT_EQ(toWin1252(text), all);
    EXPECT_EQ(toWin1252(QStringLiteral("Ω")), "?");
}

TEST(TextFile, SplitsAtEveryLineEndKind) {
    EXPECT_EQ(splitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(splitLines("").empty());
}

TEST(TextFile, WritesCrLfAndReadsBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.txt"));
    ASSERT_TRUE(writeLines(path, {"eins", "\xe4u\xdf", ""}));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("eins\r\n\xe4u\xdf\r\n\r\n"));
    ReadResult r = readLines(path);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines, (std::vector<std::string>{"eins", "\xe4u\xdf", ""}));
}

TEST(TextFile, FailedWriteKeepsThePreviousFileAndSaysWhy) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.txt"));
    ASSERT_TRUE(writeFileAtomic(path, "alt"));
    QString error;
    EXPECT_FALSE(writeFileAtomic(dir.filePath(QStringLiteral("nope/keep.txt")), "neu", &error));
    EXPECT_FALSE(error.isEmpty());
    auto bytes = readAll(path, 100);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, "alt");
}

TEST(TextFile, RefusesFilesAboveTheBound) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    ASSERT_TRUE(writeFileAtomic(path, std::string(1000, 'x')));
    QString error;
    EXPECT_FALSE(readAll(path, 999, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(readAll(path, 1000));
    EXPECT_FALSE(readLines(dir.filePath(QStringLiteral("missing.txt"))).ok);
}

#include "toolkit/RecordingFile.h"
#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// Recordings started within one second never share a file, nothing is written before a flush,
// and a folder that cannot be made is one failure, handed out once.
TEST(RecordingFile, NeverOpensAnExistingFileAndReportsAFailureOnce) {
    QTemporaryDir dir;
    const QDateTime start(QDate(2026, 3, 4), QTime(5, 6, 7));
    toolkit::RecordingFile first;
    ASSERT_TRUE(first.create(dir.path(), QStringLiteral("Rec_"), start));
    first.appendLine("eins");
    EXPECT_EQ(QFileInfo(first.path()).size(), 0);
    EXPECT_TRUE(first.flush());
    toolkit::RecordingFile second;
    ASSERT_TRUE(second.create(dir.path(), QStringLiteral("Rec_"), start));
    second.appendLine("zwei");
    second.close();
    first.appendLine("drei");
    first.close();
    EXPECT_EQ(QFileInfo(first.path()).fileName(), QStringLiteral("Rec_2026-03-04_05-06-07.txt"));
    EXPECT_EQ(QFileInfo(second.path()).fileName(), QStringLiteral("Rec_2026-03-04_05-06-07_2.txt"));
    EXPECT_EQ(toolkit::readAll(first.path(), 100).value_or(""), "eins\r\ndrei\r\n");
    EXPECT_EQ(toolkit::readAll(second.path(), 100).value_or(""), "zwei\r\n");

    QFile blocker(dir.filePath(QStringLiteral("taken")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    toolkit::RecordingFile failed;
    EXPECT_FALSE(failed.create(blocker.fileName(), QStringLiteral("Rec_"), start));
    failed.appendLine("lost");
    EXPECT_TRUE(failed.takeFailure().has_value());
    EXPECT_FALSE(failed.flush());
    EXPECT_FALSE(failed.takeFailure().has_value());
}

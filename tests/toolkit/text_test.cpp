#include "toolkit/RecordingFile.h"
#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"
#include "toolkit/WritableFolder.h"

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
    const QString failing = dir.filePath(QStringLiteral("nope/keep.txt"));
    EXPECT_FALSE(writeFileAtomic(failing, "neu", &error));
    // Both programs' one wording: the whole path as the platform writes it, then the reason.
    EXPECT_TRUE(error.startsWith(QStringLiteral("Datei %1 kann nicht erstellt werden: ")
                                     .arg(QDir::toNativeSeparators(failing))))
        << error.toStdString();
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

// Where a program's own files go: its folder when a file can be made there, else the user's
// data folder, made on the way. The probe runs once per folder and run, and the user is told
// once. The real probe: a missing folder or one below a file takes nothing, and a folder that
// takes files keeps no trace of the probe.
TEST(WritableFolder, FallsBackToTheUsersFolderDecidedOnceAndSaidOnce) {
    QTemporaryDir program;
    QTemporaryDir home;
    const QString folder = program.path() + QLatin1Char('/');
    EXPECT_TRUE(folderTakesFiles(folder));
    EXPECT_TRUE(
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    ASSERT_TRUE(writeFileAtomic(program.filePath(QStringLiteral("datei")), "x"));
    EXPECT_FALSE(folderTakesFiles(program.filePath(QStringLiteral("datei"))));
    EXPECT_FALSE(folderTakesFiles(program.filePath(QStringLiteral("fehlt"))));

    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    EXPECT_EQ(writableFolder(folder, QStringLiteral("DruckKorvel")), folder);
    EXPECT_TRUE(fallbackNotice().isEmpty());

    int probes = 0;
    setFolderProbe([&](const QString& f) {
        ++probes;
        return f != folder;
    });
#ifdef Q_OS_WIN
    // Windows names the user's folder itself (%LOCALAPPDATA%), here the wine prefix's.
    const QString user = userDataFolder(QStringLiteral("DruckKorvel"));
    EXPECT_TRUE(user.endsWith(QStringLiteral("\\Korvel\\DruckKorvel\\"))) << user.toStdString();
#else
    const QString user = home.path() + QStringLiteral("/korvel/DruckKorvel/");
    EXPECT_EQ(userDataFolder(QStringLiteral("DruckKorvel")), user);
#endif
    EXPECT_EQ(writableFolder(folder, QStringLiteral("DruckKorvel")), user);
    EXPECT_TRUE(QDir(user).exists());
    EXPECT_EQ(writableFolder(folder, QStringLiteral("DruckKorvel")), user);
    EXPECT_EQ(probes, 2); // the program folder and the user's, each once
    const QString notice = fallbackNotice();
    EXPECT_TRUE(notice.contains(QDir::toNativeSeparators(folder)) && notice.contains(user))
        << notice.toStdString();
    EXPECT_TRUE(fallbackNotice().isEmpty());
    EXPECT_EQ(writableFolder(folder, QStringLiteral("korveltool")),
              userDataFolder(QStringLiteral("korveltool")));
    EXPECT_TRUE(fallbackNotice().isEmpty()); // told once a run, not once a program name

    // The user's folder takes no files either: the program folder, where the writes will say so.
    setFolderProbe([&](const QString& f) { return f != folder && f != user; });
    EXPECT_EQ(writableFolder(folder, QStringLiteral("DruckKorvel")), folder);
    EXPECT_TRUE(fallbackNotice().isEmpty());
    setFolderProbe({});
    qputenv("XDG_DATA_HOME", savedHome);
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

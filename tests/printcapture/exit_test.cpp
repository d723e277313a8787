// Ending the capture program: "Beenden" writes the settings and the protocol, the close box
// asks while received lines are in no file yet, and nothing captured is lost on the way.
#include "capture_test_env.h"
#include "common/LineViewEntry.h"
#include "common/RtfReadBack.h"
#include "common/ScriptedDialogs.h"
#include "printcapture/SettingsFile.h"
#include "printcapture/TForm1.h"
#include "serial/COMManager.h"
#include "serial/qt/SettingsDialogDriver.h"
#include "toolkit/LineView.h"
#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"
#include "toolkit/WritableFolder.h"
#include "toolkit/rtf/RtfDocument.h"
#include "tools/printersim/PrintedLines.h"
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <gtest/gtest.h>

using printcapture::TForm1;
using Answer = toolkit::Dialogs::Answer;
using CaptureExit = capturetest::CaptureWindowTest;
using CaptureExitEndToEnd = capturetest::CaptureWindowTest;
using capturetest::receiveLine;
using capturetest::styleOfBlock;

TEST_F(CaptureExit, CloseBoxAsksOnlyWhileReceivedLinesAreInNoFile) {
    const QString question = QStringLiteral("Anzeige vor dem Beenden in protokoll.rtf sichern ?");

    { // Nothing received (the markers alone are no capture): closes at once, writes nothing.
        TForm1 f(nullptr, folder());
        f.show();
        f.Stop1Click();
        EXPECT_TRUE(f.close());
        EXPECT_TRUE(dialogs().shown.empty());
    }
    { // Abbrechen keeps it running, Nein ends it, and neither writes a file.
        TForm1 f(nullptr, folder());
        f.show();
        receiveLine(f, "0042 Alarm Melder 3");
        dialogs().askAnswers = {Answer::Cancel, Answer::No};
        EXPECT_FALSE(f.close());
        EXPECT_TRUE(f.isVisible());
        EXPECT_TRUE(f.close());
        ASSERT_EQ(dialogs().shown.size(), 2u);
        EXPECT_EQ(dialogs().shown[0].kind, QStringLiteral("ask"));
        EXPECT_EQ(dialogs().shown[0].text, question);
    }
    EXPECT_FALSE(exists("protokoll.rtf"));
    EXPECT_FALSE(exists("DruckKorvel.ini"));
    dialogs().shown.clear();
    { // Written to a file (as a save or an export tells): no question until new lines come.
        TForm1 f(nullptr, folder());
        f.show();
        receiveLine(f, "0042 Alarm Melder 3");
        f.noteDisplayWritten();
        EXPECT_FALSE(f.hasUnsavedLines());
        receiveLine(f, "0043 Alarm Melder 4");
        EXPECT_TRUE(f.hasUnsavedLines());
        f.Lschen2Click(); // an empty display holds nothing to lose
        EXPECT_FALSE(f.hasUnsavedLines());
        f.ReceiveBuffer.append("waiting\x0A\x0D");
        EXPECT_TRUE(f.hasUnsavedLines()); // a complete line not yet shown counts too
        f.ReceiveBuffer.clear();
        EXPECT_TRUE(f.close());
        EXPECT_TRUE(dialogs().shown.empty());
    }
}

TEST_F(CaptureExit, CloseBoxYesWritesBothFilesOrStaysOpenWhenItCannot) {
    const QString missing = path(QStringLiteral("fehlt")) + QLatin1Char('/');
    {
        // A folder that does not exist, and no user folder to fall back on: nothing can be
        // created. Both files are tried, and the program stays.
        ASSERT_TRUE(toolkit::writeFileAtomic(path(QStringLiteral("datei")), "x"));
        capturetest::UserDataHome noHome(path(QStringLiteral("datei/home")));
        TForm1 f(nullptr, missing);
        f.show();
        receiveLine(f, "0042 Alarm");
        dialogs().askAnswers = {Answer::Yes};
        EXPECT_FALSE(f.close());
        EXPECT_TRUE(f.isVisible());
        const QString cannot = QStringLiteral("Datei %1%2 kann nicht erstellt werden");
        EXPECT_EQ(dialogs().messages(),
                  (QStringList{cannot.arg(missing, QStringLiteral("DruckKorvel.ini")),
                               cannot.arg(missing, QStringLiteral("protokoll.rtf"))}));
        dialogs().askAnswers = {Answer::No};
        EXPECT_TRUE(f.close());
    }
    TForm1 f(nullptr, folder());
    f.show();
    receiveLine(f, "0042 Alarm");
    f.ReceiveBuffer.append("0043 Alarm\x0A\x0D"
                           "unvollst");
    dialogs().askAnswers = {Answer::Yes};
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(exists("DruckKorvel.ini"));
    ASSERT_TRUE(exists("protokoll.rtf"));
    // The waiting complete line reached the protocol; the incomplete rest did not.
    const auto rtf = toolkit::readAll(path(QStringLiteral("protokoll.rtf")), 1 << 20);
    ASSERT_TRUE(rtf);
    EXPECT_NE(rtf->find("0043 Alarm"), std::string::npos);
    EXPECT_EQ(rtf->find("unvollst"), std::string::npos);
}

// A protocol that cannot be created stops "Beenden" after the settings: the message, and the
// program runs on with its capture still counted as unsaved.
TEST_F(CaptureExit, BeendenStopsAtAProtocolThatCannotBeCreated) {
    ASSERT_TRUE(QDir(folder()).mkdir(QStringLiteral("protokoll.rtf"))); // in the way
    TForm1 f(nullptr, folder());
    f.show();
    receiveLine(f, "0042 Alarm");
    f.Beenden1Click();
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(exists("DruckKorvel.ini"));
    EXPECT_EQ(
        dialogs().messages(),
        QStringList{
            QStringLiteral("Datei %1protokoll.rtf kann nicht erstellt werden").arg(folder())});
    EXPECT_TRUE(f.hasUnsavedLines());
    ASSERT_TRUE(QDir(folder()).rmdir(QStringLiteral("protokoll.rtf")));
    f.SpeedButton4Click(); // the toolbar's "Beenden"
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(exists("protokoll.rtf"));
    EXPECT_EQ(dialogs().shown.size(), 1u); // no question at the close that ends it
}

namespace {

QStringList protocolLines(const QString& path) {
    QTextDocument protocol;
    QString error;
    if (!toolkit::rtf::loadRtfFile(protocol, path, &error)) {
        ADD_FAILURE() << error.toStdString();
        return {};
    }
    QStringList lines;
    for (QTextBlock b = protocol.firstBlock(); b.isValid(); b = b.next()) {
        lines << b.text();
    }
    while (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

std::string wideLine(int i) {
    std::string line = std::to_string(i) + " St\x94rung Melder ";
    line.resize(400, static_cast<char>('a' + i % 26));
    return line;
}

} // namespace

// The display keeps its lines whatever their length: 300 lines of 400 characters, far beyond
// the old 100 000 characters, all reach the protocol. With a line limit from the settings file
// far beyond the box's, the display fills to its character bound, and then a longer line
// deletes only the oldest lines it needs.
TEST_F(CaptureExit, LongLinesAllReachTheProtocolAndAHugeLimitMakesOnlyTheRoomNeeded) {
    TSerial serial;
    ASSERT_TRUE(toolkit::writeFileAtomic(
        path(QStringLiteral("DruckKorvel.ini")),
        printcapture::composeSettingsFile(serial.SettingsToText(serial.GetSettings()),
                                          {20, 20, 400}, 1000000)));
    QStringList expected;
    {
        TForm1 f(nullptr, folder());
        ASSERT_EQ(f.MaxLines, 1000000);
        f.show();
        for (int i = 0; i < 300; ++i) {
            receiveLine(f, wideLine(i));
            expected << toolkit::fromWin1252(printcapture::convertLine(wideLine(i)));
        }
        f.Beenden1Click();
        EXPECT_FALSE(f.isVisible());
    }
    EXPECT_EQ(protocolLines(path(QStringLiteral("protokoll.rtf"))), expected);

    TForm1 g(nullptr, folder());
    ASSERT_EQ(g.MaxLines, 1000000);
    int n = 0;
    while (testsupport::appendEntry8(*g.RichEdit1, wideLine(n), {})) {
        ++n;
    }
    ASSERT_GT(n, TForm1::kTextLimit / 401 - 2); // the bound, not the line limit, stopped it
    const std::string longLine(3000, 'L');
    const qint64 lacking = g.RichEdit1->characterCount() + 3001 - TForm1::kTextLimit;
    const int needed = static_cast<int>((lacking + 400) / 401);
    receiveLine(g, longLine);
    EXPECT_EQ(g.RichEdit1->lineCount(), n - needed + 1);
    EXPECT_EQ(g.displayLines().front(), wideLine(needed)); // shown as given, unconverted
    EXPECT_EQ(g.displayLines().back(), longLine);
    g.Timer2Timer(); // the keep-alive trims to the line limit only
    EXPECT_EQ(g.RichEdit1->lineCount(), n - needed + 1);
}

// A program folder that takes no files (a program under "C:\Program Files"; here one the probe
// refuses, since the tests may run as root, who may write anywhere): the settings file and the
// protocol go to the user's data folder and the user is told where, once. The settings beside
// the program are read until the user's folder holds newer ones. Settings that cannot be
// written there either keep neither the protocol nor the end from happening.
TEST_F(CaptureExit, AProgramFolderThatTakesNoFilesSendsThemToTheUsersFolder) {
    const QString programFolder = folder();
    QTemporaryDir home;
    capturetest::UserDataHome userHome(home.path());
    toolkit::setFolderProbe([&](const QString& folder) {
        return folder != programFolder && toolkit::folderTakesFiles(folder);
    });
    const QString user = home.path() + QStringLiteral("/korvel/DruckKorvel/");
    TSerial serial;
    const std::string beside = printcapture::composeSettingsFile(
        serial.SettingsToText(serial.GetSettings()), {20, 20, 400}, 900);
    ASSERT_TRUE(toolkit::writeFileAtomic(path(QStringLiteral("DruckKorvel.ini")), beside));
    {
        TForm1 f(nullptr, programFolder);
        EXPECT_EQ(f.MaxLines, 900);
        EXPECT_TRUE(dialogs().shown.empty()); // nothing written yet, nothing said
        f.show();
        dialogs().inputAnswers = {QStringLiteral("700")};
        f.Speicher1Click();
        receiveLine(f, "0042 Alarm");
        f.Beenden1Click();
        EXPECT_FALSE(f.isVisible());
    }
    ASSERT_EQ(dialogs().messages().size(), 1);
    EXPECT_TRUE(dialogs().messages()[0].startsWith(QStringLiteral("In den Programmordner ")));
    EXPECT_TRUE(dialogs().messages()[0].contains(user));
    EXPECT_EQ(protocolLines(user + QStringLiteral("protokoll.rtf")).last(),
              QStringLiteral("0042 Alarm"));
    EXPECT_EQ(QDir(programFolder).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("DruckKorvel.ini")});
    EXPECT_EQ(toolkit::readAll(path(QStringLiteral("DruckKorvel.ini")), 4096), beside);

    dialogs().shown.clear();
    ASSERT_TRUE(QFile::remove(user + QStringLiteral("protokoll.rtf")));
    {
        TForm1 g(nullptr, programFolder);
        EXPECT_EQ(g.MaxLines, 700);
        g.show();
        ASSERT_TRUE(QFile::remove(user + QStringLiteral("DruckKorvel.ini")));
        ASSERT_TRUE(QDir(user).mkdir(QStringLiteral("DruckKorvel.ini"))); // in the way
        receiveLine(g, "0043 Alarm");
        g.Beenden1Click();
        EXPECT_FALSE(g.isVisible());
    }
    EXPECT_EQ(dialogs().messages(),
              QStringList{QStringLiteral("Datei %1DruckKorvel.ini kann nicht erstellt werden")
                              .arg(user)}); // and no second word about the folder
    EXPECT_TRUE(QFile::exists(user + QStringLiteral("protokoll.rtf")));
    toolkit::setFolderProbe({});
}

// A whole run against the printer simulator: port chosen in the dialog, place and line limit
// set, 500 lines recorded, "Beenden" during the recording; then a second start.
TEST_F(CaptureExitEndToEnd, BeendenKeepsTheCaptureAndTheNextStartItsSettings) {
    constexpr int kLines = 500;
    constexpr int kSeed = 14;
    capturetest::PrinterSim idle(2, {"--lines", "0"});
    capturetest::PrinterSim sim(3, {"--lines", QString::number(kLines), "--seed",
                                    QString::number(kSeed), "--no-pace", "--wait-xon"});
    ASSERT_TRUE(capturetest::portReady(idle, 2) && capturetest::portReady(sim, 3));

    QStringList shown; // the display at the exit, line by line
    {
        TForm1 f(nullptr, folder());
        ASSERT_EQ(f.Serial1.COMPort(), 2);
        f.show();
        auto ran = testsupport::onNextSettingsDialog(testsupport::confirmWith("COM3"));
        f.Schnittstelle1Click();
        ASSERT_TRUE(*ran);
        f.move(60, 70);
        f.resize(420, f.height());
        dialogs().inputAnswers = {QStringLiteral("900")};
        f.Speicher1Click();
        f.setTimerPeriodsForTest(1, TForm1::kKeepAliveMs);
        f.Start1Click();
        ASSERT_TRUE(f.Serial1.Active());
        EXPECT_FALSE(f.Schnittstelle1->isEnabled());
        ASSERT_TRUE(
            capturetest::waitUntil([&] { return f.RichEdit1->lineCount() >= kLines + 1; }, 120000));
        f.Beenden1Click();
        EXPECT_FALSE(f.isVisible());
        EXPECT_TRUE(dialogs().messages().isEmpty());
        shown = f.RichEdit1->toPlainText().split(QLatin1Char('\n'));
    }
    capturetest::runEvents(300);
    EXPECT_FALSE(sim.received().contains(QStringLiteral("13"))); // no DC3 at the exit

    // The recording still running at the exit is in its file, line for line as shown.
    const QStringList recordings = QDir(path(QStringLiteral("Mitschnitte"))).entryList(QDir::Files);
    ASSERT_EQ(recordings.size(), 1);
    QStringList recorded;
    for (const std::string& line :
         toolkit::readLines(path(QStringLiteral("Mitschnitte/")) + recordings.front()).lines) {
        recorded << toolkit::fromWin1252(line);
    }
    EXPECT_EQ(recorded, shown);

    // The protocol: the start marker, then every printed line converted, in order, styled.
    QTextDocument protocol;
    QString error;
    ASSERT_TRUE(toolkit::rtf::loadRtfFile(protocol, path(QStringLiteral("protokoll.rtf")), &error))
        << error.toStdString();
    QTextBlock block = protocol.firstBlock();
    EXPECT_TRUE(block.text().startsWith(QStringLiteral("0****  Start Aufzeichnung ")));
    EXPECT_EQ(styleOfBlock(block), 'i');
    EXPECT_EQ(block.charFormat().fontFamilies().toStringList().value(0),
              QStringLiteral("Courier New"));
    capturetest::expectPrintedLines(block, kSeed, kLines, false);

    // The settings file: five lines, the first a settings text the component accepts.
    const std::vector<std::string> ini =
        toolkit::readLines(path(QStringLiteral("DruckKorvel.ini"))).lines;
    ASSERT_EQ(ini.size(), 5u);
    TSerial probe;
    EXPECT_TRUE(probe.TextToSettings(ini[0]).Valid);
    {
        TForm1 g(nullptr, folder());
        EXPECT_EQ(g.Serial1.COMPort(), 3);
        EXPECT_EQ(g.pos(), QPoint(60, 70));
        EXPECT_EQ(g.width(), 420);
        EXPECT_EQ(g.MaxLines, 900);
    }

    const std::optional<QStringList> office =
        testsupport::libreOfficeText(path(QStringLiteral("protokoll.rtf")));
    if (!office) {
        GTEST_SKIP() << "LibreOffice is not installed";
    }
    while (!shown.isEmpty() && shown.last().isEmpty()) {
        shown.removeLast();
    }
    EXPECT_EQ(*office, shown);
}

// Ending the capture program: "Beenden" writes the settings and the protocol, the close box
// asks while received lines are in no file yet, and nothing captured is lost on the way.
#include "capture_test_env.h"
#include "printcapture/CaptureWindow.h"
#include "toolkit/LineView.h"
#include "toolkit/ScriptedDialogs.h"
#include "toolkit/TextFile.h"
#include "toolkit/rtf/RtfDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <gtest/gtest.h>

using printcapture::TForm1;
using Answer = toolkit::Dialogs::Answer;

namespace {

QString folderOf(const QTemporaryDir& dir) {
    return dir.path() + QLatin1Char('/');
}

bool exists(const QTemporaryDir& dir, const char* name) {
    return QFile::exists(dir.filePath(QString::fromLatin1(name)));
}

void receiveLine(TForm1& f, const std::string& line) {
    f.ReceiveBuffer.append(line + "\x0A\x0D");
    f.Timer1Timer();
}

} // namespace

TEST(CaptureExit, CloseBoxAsksOnlyWhileReceivedLinesAreInNoFile) {
    toolkit::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    const QString question = QStringLiteral("Anzeige vor dem Beenden in protokoll.rtf sichern ?");

    { // Nothing received (the markers alone are no capture): closes at once, writes nothing.
        TForm1 f(nullptr, folderOf(dir));
        f.show();
        f.Stop1Click();
        EXPECT_TRUE(f.close());
        EXPECT_TRUE(dialogs.shown.empty());
    }
    { // Abbrechen keeps it running, Nein ends it, and neither writes a file.
        TForm1 f(nullptr, folderOf(dir));
        f.show();
        receiveLine(f, "0042 Alarm Melder 3");
        dialogs.askAnswers = {Answer::Cancel, Answer::No};
        EXPECT_FALSE(f.close());
        EXPECT_TRUE(f.isVisible());
        EXPECT_TRUE(f.close());
        ASSERT_EQ(dialogs.shown.size(), 2u);
        EXPECT_EQ(dialogs.shown[0].kind, QStringLiteral("ask"));
        EXPECT_EQ(dialogs.shown[0].text, question);
    }
    EXPECT_FALSE(exists(dir, "protokoll.rtf"));
    EXPECT_FALSE(exists(dir, "DruckKorvel.ini"));
    dialogs.shown.clear();
    { // Written to a file (as a save or an export tells): no question until new lines come.
        TForm1 f(nullptr, folderOf(dir));
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
        EXPECT_TRUE(dialogs.shown.empty());
    }
}

TEST(CaptureExit, CloseBoxYesWritesBothFilesOrStaysOpenWhenItCannot) {
    toolkit::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("fehlt")) + QLatin1Char('/');
    {
        TForm1 f(nullptr, missing); // a folder that does not exist: nothing can be created
        f.show();
        receiveLine(f, "0042 Alarm");
        dialogs.askAnswers = {Answer::Yes};
        EXPECT_FALSE(f.close());
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(
            dialogs.messages(),
            QStringList{
                QStringLiteral("Datei %1DruckKorvel.ini kann nicht erstellt werden").arg(missing)});
        dialogs.askAnswers = {Answer::No};
        EXPECT_TRUE(f.close());
    }
    TForm1 f(nullptr, folderOf(dir));
    f.show();
    receiveLine(f, "0042 Alarm");
    f.ReceiveBuffer.append("0043 Alarm\x0A\x0D"
                           "unvollst");
    dialogs.askAnswers = {Answer::Yes};
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(exists(dir, "DruckKorvel.ini"));
    ASSERT_TRUE(exists(dir, "protokoll.rtf"));
    // The waiting complete line reached the protocol; the incomplete rest did not.
    const auto rtf = toolkit::readAll(dir.filePath(QStringLiteral("protokoll.rtf")), 1 << 20);
    ASSERT_TRUE(rtf);
    EXPECT_NE(rtf->find("0043 Alarm"), std::string::npos);
    EXPECT_EQ(rtf->find("unvollst"), std::string::npos);
}

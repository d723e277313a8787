// The service session window, driven by pieces that a pty delivers through the serial layer.

#include "session_fixture.h"
#include "toolkit/ProgramFolder.h"
#include "toolkit/ProtocolView.h"
#include "toolkit/RadioGroup.h"
#include "toolkit/WritableFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const QString kOpened = QStringLiteral("# Schnittstelle ist geöffnet.");
const QString kClosed = QStringLiteral("# Schnittstelle ist geschlossen");

int countLines(const servicetool::TForm1& form, const QString& text) {
    return static_cast<int>(viewLines(form).count(text));
}

} // namespace

TEST(ServiceWindow, StartsIdleWithVersion2LineSettingsAndTheGermanControls) {
    WindowOnPty w;
    auto& f = *w.form;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Korvel-Tool"));
    f.show();
    EXPECT_EQ(f.centralWidget()->size(), QSize(612, 464));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_EQ(f.menuBar()->actions().at(0)->text(), QStringLiteral("Datei"));
    EXPECT_EQ(f.Speichernunter1->text(), QStringLiteral("Speichern unter"));
    EXPECT_EQ(f.Beenden1->text(), QStringLiteral("Beenden"));
    EXPECT_EQ(f.BitBtn3->text(), QStringLiteral("&Hilfe"));
    EXPECT_EQ(f.RadioGroup2->itemIndex(), 1);
    EXPECT_EQ(f.RadioGroup1->itemIndex(), 0);
    EXPECT_TRUE(f.Version2Selected());
    EXPECT_EQ(f.Serial1.COMPort(), 1);
    EXPECT_EQ(f.Serial1.Baudrate(), TBaudrate::br_115200);
    EXPECT_TRUE(f.Serial1.HandshakeRtsCts());
    EXPECT_FALSE(f.Serial1.HandshakeDtrDsr() || f.Serial1.HandshakeXOnXOff());
    EXPECT_FALSE(f.Serial1.Active());
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_EQ(f.Timer1->interval(), 100);
    EXPECT_FALSE(f.BitBtn1->isHidden());
    EXPECT_TRUE(f.BitBtn2->isHidden());
    EXPECT_EQ(f.SaveDialog1.defaultExtension, QStringLiteral("rtf"));
    EXPECT_FALSE(f.SaveDialog1.confirmOverwrite);

    f.RadioGroup2->setItemIndex(0);
    EXPECT_FALSE(f.Version2Selected());
    EXPECT_EQ(f.Serial1.Baudrate(), TBaudrate::br_009600);
    EXPECT_FALSE(f.Serial1.HandshakeRtsCts());
}

TEST(ServiceWindow, ConnectShowsTheOpenedLinesInBlueAndSwapsTheButtons) {
    WindowOnPty w;
    w.form->protocol().note("old protocol");
    ASSERT_TRUE(w.connect());
    EXPECT_EQ(viewLines(*w.form),
              (QStringList{kOpened, QStringLiteral("  Jetzt RESET am Panel durchführen.")}));
    EXPECT_EQ(lineColour(*w.form, 0), kBlue);
    EXPECT_EQ(lineColour(*w.form, 1), kBlue);
    EXPECT_TRUE(w.form->Timer1->isActive());
    EXPECT_TRUE(w.form->BitBtn1->isHidden());
    EXPECT_FALSE(w.form->BitBtn2->isHidden());

    // Received text as it came: the empty line and the blanks stay.
    w.tick("\r\n  boot loader 2.41  \r\n");
    EXPECT_EQ(viewLines(*w.form).mid(2), (QStringList{"", QStringLiteral("  boot loader 2.41  ")}));
    EXPECT_EQ(lineColour(*w.form, 3), kBlack);
}

TEST(ServiceWindow, KeywordSplitOverTwoPollsIsAnsweredWithOneM) {
    WindowOnPty w;
    ASSERT_TRUE(w.connect());
    w.tick("press m to start the list");
    EXPECT_EQ(w.answers(1, 150), "");
    w.tick("ener");
    EXPECT_EQ(w.answers(2, 300), "m");
    EXPECT_EQ(viewLines(*w.form).last(), QStringLiteral("# m"));
    EXPECT_EQ(lineColour(*w.form, viewLines(*w.form).size() - 1), kBlue);
}

TEST(ServiceWindow, MenuSplitAtTheBlankGivesTheBurstOfTwelveLetters) {
    WindowOnPty w;
    ASSERT_TRUE(w.connect());
    w.tick("listener");
    ASSERT_EQ(w.answers(1), "m");
    w.tick("enter the letter of your choice 10 ");
    w.tick("times");
    EXPECT_EQ(w.answers(13, 500), std::string(12, 'd'));
    EXPECT_EQ(viewLines(*w.form).last(), QStringLiteral("# Auswahl: d"));
    // A second menu in the same session bursts again, with the action chosen meanwhile.
    w.form->RadioGroup1->setItemIndex(2);
    w.tick("again: 10 times");
    EXPECT_EQ(w.answers(13, 500), std::string(12, 'f'));
    EXPECT_EQ(viewLines(*w.form).last(), QStringLiteral("# Auswahl: f"));
}

TEST(ServiceWindow, ListenerAndTenTimesInOnePieceOrTenTimesFirstAnswerOnlyM) {
    WindowOnPty w;
    ASSERT_TRUE(w.connect());
    w.tick("menu 10 times"); // before any "listener": not answered
    EXPECT_EQ(w.answers(1, 150), "");
    w.tick("start the listener\r\nenter the letter 10 times");
    EXPECT_EQ(w.answers(2, 300), "m");
    EXPECT_EQ(countLines(*w.form, QStringLiteral("# m")), 1);
    EXPECT_EQ(viewLines(*w.form).filter(QStringLiteral("# Auswahl")).size(), 0);
}

TEST(ServiceWindow, FactoryResetClosesThePortAndLeavesBothButtonsUntilTrennen) {
    WindowOnPty w;
    ASSERT_TRUE(w.connect());
    w.tick("listener");
    w.tick("\r\nloading default config\r\n");
    EXPECT_FALSE(w.form->Serial1.Active());
    EXPECT_FALSE(w.form->Timer1->isActive());
    EXPECT_EQ(w.dialogs.messages(), QStringList{QStringLiteral("Werkseinstellung wird geladen !")});
    EXPECT_EQ(viewLines(*w.form).last(), kClosed);
    EXPECT_FALSE(w.form->BitBtn1->isHidden());
    EXPECT_FALSE(w.form->BitBtn2->isHidden());

    w.form->BitBtn2Click();
    EXPECT_EQ(countLines(*w.form, kClosed), 2);
    EXPECT_TRUE(w.form->BitBtn2->isHidden());
    EXPECT_FALSE(w.form->BitBtn1->isHidden());
}

TEST(ServiceWindow, VersionChangeWhileConnectedClosesThePortSilently) {
    WindowOnPty w;
    ASSERT_TRUE(w.connect());
    const QStringList before = viewLines(*w.form);
    w.form->RadioGroup2->setItemIndex(0);
    EXPECT_FALSE(w.form->Serial1.Active());
    EXPECT_TRUE(w.form->Timer1->isActive()); // polls a closed port
    EXPECT_EQ(viewLines(*w.form), before);
    EXPECT_FALSE(w.form->BitBtn2->isHidden());
    EXPECT_TRUE(w.form->BitBtn1->isHidden());
    w.form->Timer1Timer();
    EXPECT_EQ(viewLines(*w.form), before);
    // "Trennen" then "Verbinden" gives a working Version 1 session.
    w.form->BitBtn2Click();
    ASSERT_TRUE(w.connect());
    w.tick("- ... configuring trace of");
    w.tick("f");
    EXPECT_EQ(w.answers(13, 500), std::string(12, 'd'));
}

// A recording file that cannot be made is said once and the session goes on; the next session
// records again, until the adapter is unplugged: the window says so, stops, and offers
// "Verbinden" again without reconnecting by itself.
TEST(ServiceWindow, RecordingFailureIsSaidOnceAndAnUnplugEndsTheSession) {
    WindowOnPty w;
    const QString blocker = w.folder.filePath(QStringLiteral("Protokolle"));
    {
        QFile file(blocker); // a file where the folder should be
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(w.connect());
    w.tick("boot 1\r\n");
    w.tick("boot 2\r\n");
    const QStringList failed = viewLines(*w.form).filter(QStringLiteral("kann nicht geschrieben"));
    ASSERT_EQ(failed.size(), 1);
    EXPECT_TRUE(
        failed.front().startsWith(QStringLiteral("# Datei ") + QDir::toNativeSeparators(blocker)));
    EXPECT_TRUE(failed.front().endsWith(QStringLiteral(" kann nicht geschrieben werden !")));
    EXPECT_TRUE(viewText(*w.form).contains(QStringLiteral("boot 2")));
    w.form->BitBtn2Click();

    QFile::remove(blocker);
    ASSERT_TRUE(w.connect());
    w.tick("listener");
    w.tick(" and more\r\npartial");
    removePort(1);
    EXPECT_FALSE(w.form->Serial1.Active());
    EXPECT_FALSE(w.form->Timer1->isActive());
    EXPECT_FALSE(w.form->BitBtn1->isHidden());
    EXPECT_TRUE(w.form->BitBtn2->isHidden());
    EXPECT_EQ(viewLines(*w.form).last(),
              QStringLiteral("# Verbindung zur Schnittstelle unterbrochen !"));
    EXPECT_EQ(lineColour(*w.form, static_cast<int>(viewLines(*w.form).size()) - 1), kBlue);
    EXPECT_FALSE(w.form->recording().isOpen());
    EXPECT_EQ(recordedLines(*w.form), viewLines(*w.form));
    EXPECT_EQ(QDir(w.folder.filePath(QStringLiteral("Protokolle"))).entryList(QDir::Files).size(),
              1);
}

TEST(ServiceWindow, PieceTheViewRefusesShowsAQuestionMarkAndStillCounts) {
    WindowOnPty w;
    ASSERT_TRUE(w.connect());
    w.form->protocol().setCapacity(w.form->RichEdit1->store().size() + 10);
    w.tick("a long line that does not fit, with the listener in it");
    EXPECT_EQ(viewLines(*w.form).mid(2), (QStringList{QStringLiteral("?"), QStringLiteral("# m")}));
    EXPECT_EQ(lineColour(*w.form, 2), kBlue);
    EXPECT_EQ(w.answers(1), "m");
    // Still full: the refused stretch goes on without a second "?".
    w.tick("more trace output that does not fit either");
    EXPECT_EQ(viewLines(*w.form).mid(2), (QStringList{QStringLiteral("?"), QStringLiteral("# m")}));
}

TEST(ServiceWindow, NoPortBeepsAndSaysSo) {
    removePort(1);
    KorvelToolWindow w;
    servicetool::TForm1& form = *w.form;
    ASSERT_EQ(form.Serial1.COMPort(), 0);
    form.protocol().note("old");
    form.BitBtn1Click();
    EXPECT_EQ(w.dialogs.beeps, 1);
    EXPECT_EQ(w.dialogs.messages(), QStringList{QStringLiteral("Keine Schnittstelle vorhanden !")});
    EXPECT_EQ(form.RichEdit1->store().lineCount(), 0u);
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_FALSE(form.BitBtn1->isHidden());
}

TEST(ServiceWindow, PortThatCannotBeOpenedIsReportedInTheView) {
    WindowOnPty w;
    TSerial other; // another program holds the port
    other.setCOMPort(1);
    ASSERT_TRUE(other.Open());
    EXPECT_FALSE(w.connect());
    EXPECT_EQ(viewLines(*w.form),
              QStringList{QStringLiteral("# Fehler beim Öffnen der Schnittstelle !")});
    EXPECT_EQ(lineColour(*w.form, 0), kBlue);
    EXPECT_TRUE(w.dialogs.messages().isEmpty());
    EXPECT_FALSE(w.form->Timer1->isActive());
    EXPECT_FALSE(w.form->BitBtn1->isHidden());
    EXPECT_TRUE(w.form->BitBtn2->isHidden());
}

// Where the program folder takes no files, the session's files go to the user's folder, and
// the protocol says so once, in blue.
TEST(ServiceWindow, AProgramFolderThatTakesNoFilesIsNamedOnceInBlue) {
    WindowOnPty w;
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    toolkit::setFolderProbe([&](const QString& folder) { return folder.startsWith(home.path()); });
    const QString user = home.path() + QStringLiteral("/korvel/korveltool/");
    EXPECT_EQ(w.form->dataFolder(), user);
    EXPECT_EQ(w.form->dataFolder(), user);
    const QStringList lines = viewLines(*w.form);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("# In den Programmordner ")));
    EXPECT_TRUE(lines[0].contains(user));
    EXPECT_EQ(lineColour(*w.form, 0), kBlue);
    // The session's recording follows the other files there.
    ASSERT_TRUE(w.connect());
    EXPECT_EQ(QFileInfo(w.form->recording().path()).absolutePath(),
              QDir(user + QStringLiteral("Protokolle")).absolutePath());
    toolkit::setFolderProbe({});
    qputenv("XDG_DATA_HOME", savedHome);
}

TEST(ServiceWindow, SaveAsAsksWithTheRtfFilterAndReportsAFailedWrite) {
    WindowOnPty w;
    ASSERT_TRUE(w.connect());
    w.form->Speichernunter1Click(); // cancelled: nothing happens
    ASSERT_EQ(w.dialogs.fileOptions.size(), 1u);
    EXPECT_EQ(w.dialogs.fileOptions[0].filter,
              QStringLiteral("RichText [*.rtf]|*.rtf|Alle Files [*.*]|*.*"));
    EXPECT_EQ(w.dialogs.fileOptions[0].defaultExtension, QStringLiteral("rtf"));
    EXPECT_FALSE(w.dialogs.fileOptions[0].confirmOverwrite);
    EXPECT_TRUE(w.dialogs.messages().isEmpty());

    const QStringList before = viewLines(*w.form);
    const QString target = QDir(w.folder.filePath(QStringLiteral("missing"))).absolutePath() +
                           QStringLiteral("/protokoll.rtf");
    w.dialogs.fileAnswers.push_back(target);
    w.form->Speichernunter1Click();
    ASSERT_EQ(w.dialogs.messages().size(), 1);
    // The whole path as the platform writes it, then the reason.
    const QString said = QStringLiteral("Datei %1 kann nicht erstellt werden: ")
                             .arg(QDir::toNativeSeparators(target));
    EXPECT_TRUE(w.dialogs.messages().front().startsWith(said))
        << w.dialogs.messages().front().toStdString();
    EXPECT_GT(w.dialogs.messages().front().size(), said.size()) << "the reason is missing";
    EXPECT_EQ(viewLines(*w.form), before);
}

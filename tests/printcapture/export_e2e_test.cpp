// A recording from the printer simulator over a pseudo-terminal, stopped and exported with a
// customer header loaded from a description file in the modal customer window.
#include "capture_test_env.h"
#include "common/RtfReadBack.h"
#include "common/ScriptedDialogs.h"
#include "printcapture/TForm1.h"
#include "printcapture/TForm3.h"
#include "serial/Serial.h"
#include "toolkit/LineView.h"
#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"
#include "tools/printersim/PrintedLines.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using capturetest::PrinterSim;
using capturetest::waitUntil;
using CaptureEndToEnd = capturetest::CaptureWindowTest;

TEST_F(CaptureEndToEnd, RecordingStoppedAndExportedWithAHeaderFromADescriptionFile) {
    constexpr int kLines = 40;
    constexpr int kSeed = 5;
    PrinterSim sim(4, {"--lines", QString::number(kLines), "--seed", QString::number(kSeed),
                       "--no-pace", "--wait-xon"});
    ASSERT_TRUE(capturetest::portReady(sim, 4));
    printcapture::TForm1& f = window();
    f.createCustomerWindow();
    f.Serial1.setCOMPort(4);
    f.setTimerPeriodsForTest(1, printcapture::TForm1::kKeepAliveMs);
    f.Start1Click();
    ASSERT_TRUE(f.Serial1.Active());
    EXPECT_FALSE(f.Exportieren1->menuAction()->isEnabled()); // no export while recording
    ASSERT_TRUE(waitUntil([&] { return f.RichEdit1->lineCount() >= kLines + 1; }, 60000));
    f.Stop1Click();
    ASSERT_TRUE(f.Exportieren1->menuAction()->isEnabled());

    const QString bes = path(QStringLiteral("Halle 3.bes"));
    ASSERT_TRUE(toolkit::writeFileAtomic(
        bes, "M\xFC"
             "ller GmbH\r\nBMA Halle 3\r\n07.04.2014\r\nJ. Wei\xDF\r\nMelder 12 getauscht\r\n"));
    const QString target = path(QStringLiteral("Export.rtf"));
    dialogs().fileAnswers = {target, bes}; // the export's dialog, then the window's "Datei öffnen"
    dialogs().confirmAnswers = {true};
    printcapture::TForm3& w = *f.Form3;
    QTimer::singleShot(0, &w, [&] {
        w.BitBtn5->click();
        w.BitBtn3->click();
    });
    f.alsMitschnittimrtf1Click();
    ASSERT_EQ(dialogs().messages(),
              QStringList{
                  QStringLiteral("Daten wurden in folgende Datei geschrieben:\r\" Export.rtf \"")});

    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<testsupport::ReadLine> back =
        testsupport::readRtfLines(file.readAll().toStdString());
    // Header, start marker and its blank line, the printed lines, end marker and its blank.
    ASSERT_EQ(back.size(), std::size_t(13 + 2 + kLines + 2));
    EXPECT_EQ(back[1].text, QStringLiteral("Müller GmbH"));
    EXPECT_EQ(back[4].text, QStringLiteral("J. Weiß"));
    EXPECT_EQ(back[6].text, QStringLiteral("Melder 12 getauscht"));
    EXPECT_TRUE(back[13].text.startsWith(QStringLiteral("0****  Start Aufzeichnung ")));
    for (int i = 0; i < kLines; ++i) {
        const std::string shown = printersim::makeLine(kSeed, i).shown;
        const testsupport::ReadLine& line = back[std::size_t(15 + i)];
        ASSERT_EQ(line.text, toolkit::fromWin1252(shown)) << i;
        if (!shown.empty()) {
            EXPECT_EQ(line.style, shown[0] == ' ' ? 'r' : shown.starts_with("0*") ? 'i' : 'b') << i;
        }
    }
    EXPECT_TRUE(back[15 + kLines].text.startsWith(QStringLiteral("0****  Ende Aufzeichnung ")));
}

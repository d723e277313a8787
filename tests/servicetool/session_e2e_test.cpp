// Whole sessions: the window against the simulated controller over a pty.

#include "PanelSim.h"
#include "common/Screenshot.h"
#include "rtf_read_back.h"
#include "session_fixture.h"
#include "toolkit/LineView.h"
#include "toolkit/RadioGroup.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const QColor Blue(0, 0, 255);
const QColor Black(0, 0, 0);

panelsim::Options simOptions(int version, char letter, unsigned seed) {
    panelsim::Options o;
    o.version = version;
    o.portsDir = portFolder();
    o.seed = seed;
    o.restartDelayMs = 150;
    o.expectLetter = letter;
    o.lingerMs = 8000;
    o.traceLines = 6;
    return o;
}

struct SimRun {
    explicit SimRun(const panelsim::Options& options) : sim(options) {
        std::string error;
        EXPECT_TRUE(sim.open(&error)) << error;
        rescanPorts();
        form = std::make_unique<servicetool::TForm1>();
        form->show();
    }
    ~SimRun() { sim.stop(); }

    // The controller's lines come in pieces, each shown as an entry of its own.
    bool viewHas(const QString& text) const {
        return form->RichEdit1->toPlainText().remove(QLatin1Char('\n')).contains(text);
    }
    panelsim::SessionReport finish() {
        EXPECT_TRUE(pumpUntil([&] { return sim.waitSessions(1, 0); }, 30000));
        auto reports = sim.reports();
        return reports.empty() ? panelsim::SessionReport{} : reports.front();
    }

    toolkit::ScriptedDialogs dialogs;
    panelsim::PanelSim sim;
    std::unique_ptr<servicetool::TForm1> form;
};

std::string receivedBytes(const panelsim::SessionReport& r) {
    std::string out;
    for (const auto& b : r.received) {
        out += static_cast<char>(b.byte);
    }
    return out;
}

} // namespace

TEST(ServiceSession, Version2FactoryResetFromConnectToTheSavedProtocol) {
    SimRun run(simOptions(2, 'd', 11));
    run.sim.start();
    run.form->BitBtn1->click();
    const panelsim::SessionReport report = run.finish();
    EXPECT_TRUE(report.ok) << report.text();
    EXPECT_EQ(receivedBytes(report), "m" + std::string(12, 'd'));
    EXPECT_EQ(report.letterGapsMs.size(), 11u);
    EXPECT_TRUE(report.closedByProgram);
    EXPECT_EQ(run.dialogs.messages(),
              QStringList{QStringLiteral("Werkseinstellung wird geladen !")});
    EXPECT_TRUE(run.form->BitBtn1->isVisible());
    EXPECT_TRUE(run.form->BitBtn2->isVisible());
    EXPECT_FALSE(run.form->Timer1->isActive());
    saveScreenshot(*run.form, "korveltool-session.png");

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sitzung.rtf"));
    run.dialogs.fileAnswers.push_back(path);
    run.form->Speichernunter1Click();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const RtfReadBack back = readBackRtf(file.readAll().toStdString());
    ASSERT_TRUE(back.ok) << back.error;

    QStringList blue;
    std::string black;
    for (const RtfParagraph& p : back.paragraphs) {
        if (p.text().empty()) {
            continue; // a blank line inside a received piece
        }
        if (p.colour() == Blue) {
            blue << QString::fromLatin1(p.text());
        } else {
            EXPECT_EQ(p.colour(), Black) << p.text();
            EXPECT_NE(p.text().rfind("# ", 0), 0u) << p.text();
            black += p.text();
        }
    }
    EXPECT_EQ(blue, (QStringList{QStringLiteral("# Schnittstelle ist geöffnet."),
                                 QStringLiteral("  Jetzt RESET am Panel durchführen."),
                                 QStringLiteral("# m"), QStringLiteral("# Auswahl: d"),
                                 QStringLiteral("# Schnittstelle ist geschlossen")}));
    // Pieces are trimmed for the view, so compare without blanks.
    std::erase_if(black, [](char c) { return c == ' '; });
    EXPECT_NE(black.find("KorvelCPU-7bootloader2.41"), std::string::npos) << black;
    EXPECT_NE(black.find("loadingdefaultconfig"), std::string::npos) << black;
}

TEST(ServiceSession, Version2TraceStartRunsUntilTrennen) {
    SimRun run(simOptions(2, 'n', 22));
    run.form->RadioGroup1->setItemIndex(1);
    run.sim.start();
    run.form->BitBtn1->click();
    ASSERT_TRUE(pumpUntil([&] { return run.viewHas(QStringLiteral("TR 0004")); }, 20000))
        << run.form->RichEdit1->toPlainText().toStdString();
    EXPECT_TRUE(run.form->Serial1.Active());
    run.form->BitBtn2->click();
    const panelsim::SessionReport report = run.finish();
    EXPECT_TRUE(report.ok) << report.text();
    EXPECT_EQ(receivedBytes(report), "m" + std::string(12, 'n'));
    EXPECT_TRUE(report.closedByProgram);
    EXPECT_TRUE(run.dialogs.messages().isEmpty());
}

TEST(ServiceSession, Version1StopsTheTraceWithF) {
    SimRun run(simOptions(1, 'f', 33));
    run.form->RadioGroup2->setItemIndex(0);
    run.form->RadioGroup1->setItemIndex(2);
    run.sim.start();
    run.form->BitBtn1->click();
    ASSERT_TRUE(pumpUntil([&] { return run.viewHas(QStringLiteral("boot complete")); }, 20000))
        << run.form->RichEdit1->toPlainText().toStdString();
    run.form->BitBtn2->click();
    const panelsim::SessionReport report = run.finish();
    EXPECT_TRUE(report.ok) << report.text();
    EXPECT_EQ(receivedBytes(report), std::string(12, 'f'));
    EXPECT_EQ(run.form->RichEdit1->toPlainText().count(QStringLiteral("# m")), 0);
}

// Whole sessions: the window against the simulated controller over a pty.

#include "PanelSim.h"
#include "common/RtfReadBack.h"
#include "common/Screenshot.h"
#include "session_fixture.h"
#include "stream_lines.h"
#include "toolkit/ProtocolView.h"
#include "toolkit/RadioGroup.h"
#include "toolkit/Win1252.h"

#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

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

// The window against the simulator, which publishes its pty as COM1 before the window starts.
struct SimRun : KorvelToolWindow {
    explicit SimRun(const panelsim::Options& options) : KorvelToolWindow(Later{}), sim(options) {
        std::string error;
        EXPECT_TRUE(sim.open(&error)) << error;
        rescanPorts();
        createForm();
        form->show();
    }
    ~SimRun() override {
        sim.stop();
        form.reset();
    }

    bool viewHas(const QString& text) const { return viewText(*form).contains(text); }
    panelsim::SessionReport finish() {
        EXPECT_TRUE(pumpUntil([&] { return sim.waitSessions(1, 0); }, 30000));
        auto reports = sim.reports();
        return reports.empty() ? panelsim::SessionReport{} : reports.front();
    }

    panelsim::PanelSim sim;
};

std::string receivedBytes(const panelsim::SessionReport& r) {
    std::string out;
    for (const auto& b : r.received) {
        out += static_cast<char>(b.byte);
    }
    return out;
}

// Every line the controller sent is in the saved protocol exactly, in order, in black, up to
// what the window had received; only a line of the window's own may cut one in two. Returns
// how many of the controller's lines are complete in the protocol.
std::size_t expectProtocolIsTheStream(const RtfReadBack& back, const std::string& sent) {
    const std::vector<std::string> lines = controllerLines(sent);
    std::size_t next = 0;
    std::string pending; // a received line cut by a line of the window's own
    bool cut = false;
    for (const RtfParagraph& p : back.paragraphs) {
        const bool own = !p.text().empty() && p.colour() == kBlue;
        if (own) {
            cut = !pending.empty();
            continue;
        }
        EXPECT_TRUE(p.text().empty() || p.colour() == kBlack) << p.text();
        if (!pending.empty() && !cut) {
            ADD_FAILURE() << "line broken without a reason: \"" << pending << "\"";
            return next;
        }
        pending += p.text();
        cut = false;
        if (next >= lines.size()) {
            EXPECT_TRUE(pending.empty()) << "not sent: " << pending;
            continue;
        }
        if (pending == lines[next]) {
            ++next;
            pending.clear();
        } else if (lines[next].rfind(pending, 0) != 0) {
            ADD_FAILURE() << "shown \"" << pending << "\", sent \"" << lines[next] << "\"";
            return next;
        }
    }
    return next;
}

// "Speichern unter" to `path`, then the file read back with our RTF reader.
RtfReadBack saveAndReadBack(SimRun& run, const QString& path) {
    run.dialogs.fileAnswers.push_back(path);
    run.form->Speichernunter1Click();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        RtfReadBack failed;
        failed.error = "the saved protocol cannot be opened";
        return failed;
    }
    return readBackRtf(file.readAll().toStdString());
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
    const RtfReadBack back = saveAndReadBack(run, path);
    ASSERT_TRUE(back.ok) << back.error;

    QStringList blue;
    for (const RtfParagraph& p : back.paragraphs) {
        if (!p.text().empty() && p.colour() == kBlue) {
            blue << QString::fromLatin1(p.text());
        }
    }
    EXPECT_EQ(blue, (QStringList{QStringLiteral("# Schnittstelle ist geöffnet."),
                                 QStringLiteral("  Jetzt RESET am Panel durchführen."),
                                 QStringLiteral("# m"), QStringLiteral("# Auswahl: d"),
                                 QStringLiteral("# Schnittstelle ist geschlossen")}));
    // Up to the factory reset, after which the window no longer listens.
    const std::vector<std::string> sent = controllerLines(report.sent);
    const auto reset = std::find(sent.begin(), sent.end(), "loading default config");
    ASSERT_NE(reset, sent.end());
    EXPECT_GT(expectProtocolIsTheStream(back, report.sent),
              static_cast<std::size_t>(reset - sent.begin()));

    // LibreOffice reads the same lines.
    const std::optional<QStringList> office = libreOfficeText(path);
    if (!office) {
        GTEST_SKIP() << "soffice not installed";
    }
    QStringList ours;
    for (const RtfParagraph& p : back.paragraphs) {
        ours << toolkit::fromWin1252(p.text());
    }
    while (!ours.isEmpty() && ours.last().isEmpty()) {
        ours.removeLast(); // what follows the last paragraph mark
    }
    EXPECT_EQ(*office, ours);
}

TEST(ServiceSession, Version2TraceStartRunsUntilTrennen) {
    SimRun run(simOptions(2, 'n', 22));
    run.form->RadioGroup1->setItemIndex(1);
    run.sim.start();
    run.form->BitBtn1->click();
    ASSERT_TRUE(pumpUntil([&] { return run.viewHas(QStringLiteral("TR 0005")); }, 20000))
        << viewText(*run.form).toStdString();
    EXPECT_TRUE(run.form->Serial1.Active());
    run.form->BitBtn2->click();
    const panelsim::SessionReport report = run.finish();
    EXPECT_TRUE(report.ok) << report.text();
    EXPECT_EQ(receivedBytes(report), "m" + std::string(12, 'n'));
    EXPECT_TRUE(report.closedByProgram);
    EXPECT_TRUE(run.dialogs.messages().isEmpty());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mitschnitt.rtf"));
    const RtfReadBack back = saveAndReadBack(run, path);
    ASSERT_TRUE(back.ok) << back.error;
    const std::vector<std::string> sent = controllerLines(report.sent);
    const auto trace = std::find(sent.begin(), sent.end(), "TR 0004 loop 1 element 021 state 6c");
    ASSERT_NE(trace, sent.end());
    EXPECT_GT(expectProtocolIsTheStream(back, report.sent),
              static_cast<std::size_t>(trace - sent.begin()));

    // The session's recording file holds the saved protocol's text, line for line.
    EXPECT_FALSE(run.form->recording().isOpen());
    QStringList saved;
    for (const RtfParagraph& p : back.paragraphs) {
        saved << toolkit::fromWin1252(p.text());
    }
    while (!saved.isEmpty() && saved.last().isEmpty()) {
        saved.removeLast(); // what follows the last paragraph mark
    }
    EXPECT_EQ(recordedLines(*run.form), saved);
    EXPECT_EQ(recordedLines(*run.form), viewLines(*run.form));
}

TEST(ServiceSession, Version1StopsTheTraceWithF) {
    SimRun run(simOptions(1, 'f', 33));
    run.form->RadioGroup2->setItemIndex(0);
    run.form->RadioGroup1->setItemIndex(2);
    run.sim.start();
    run.form->BitBtn1->click();
    ASSERT_TRUE(pumpUntil([&] { return run.viewHas(QStringLiteral("boot complete")); }, 20000))
        << viewText(*run.form).toStdString();
    run.form->BitBtn2->click();
    const panelsim::SessionReport report = run.finish();
    EXPECT_TRUE(report.ok) << report.text();
    EXPECT_EQ(receivedBytes(report), std::string(12, 'f'));
    EXPECT_EQ(viewText(*run.form).count(QStringLiteral("# m")), 0);
}

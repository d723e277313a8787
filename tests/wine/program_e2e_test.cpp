// Both Windows programs as a technician starts them, under wine: the unmodified .exe files with
// the simulated panel on the Linux side of COM1 (run_program_test.sh starts it), driven like a
// user by the probe plugin that Qt loads into them (QT_QPA_GENERIC_PLUGINS).
#include "common/RtfReadBack.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QColor Blue(0, 0, 255);

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_scratch.isValid());
        ASSERT_TRUE(QDir(m_scratch.path()).mkpath(QStringLiteral("cwd")));
    }

    QString path(const QString& name) const { return m_scratch.filePath(name); }

    // The program and what it loads, copied into a folder with a blank in its name: a program
    // that writes beside itself must not leave files in the build folder.
    QString programFolderWith(const QString& exe) {
        const QString from = QCoreApplication::applicationDirPath();
        const QString to = path(QStringLiteral("Korvel Programm"));
        QDirIterator it(from, {exe, QStringLiteral("*.dll"), QStringLiteral("*.qm")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString rel = QDir(from).relativeFilePath(file);
            if (rel.count(QLatin1Char('/')) > 1 || rel.startsWith(QLatin1String("help/"))) {
                continue;
            }
            QDir().mkpath(QFileInfo(to + QLatin1Char('/') + rel).path());
            QFile::copy(file, to + QLatin1Char('/') + rel);
        }
        return to;
    }

    // Starts the program from another working directory with the probe carrying out `steps`;
    // true when it ended by itself with exit code 0.
    bool run(const QString& program, const QString& steps) {
        QFile::remove(path(QStringLiteral("probe.log")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(KORVEL_PROBE_PLUGINS));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("korvelprobe"));
        env.insert(QStringLiteral("KORVEL_PROBE_LOG"), path(QStringLiteral("probe.log")));
        env.insert(QStringLiteral("KORVEL_PROBE_STEPS"), steps);
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(path(QStringLiteral("cwd")));
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, {});
        const bool ended = p.waitForFinished(90000);
        if (!ended) {
            p.kill();
            p.waitForFinished(5000);
        }
        m_output = QString::fromLocal8Bit(p.readAll());
        return ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    // The probe writes its log in text mode: CR LF on Windows.
    QStringList probeLog() const {
        return readAll(path(QStringLiteral("probe.log")))
            .remove(QLatin1Char('\r'))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The message boxes seen and the steps that found nothing to click.
    QStringList remarks() const {
        return probeLog().filter(QRegularExpression(QStringLiteral("^(message|missing) ")));
    }

    std::string diagnosis() const {
        return (probeLog().join(QLatin1Char('\n')) + QLatin1Char('\n') + m_output).toStdString();
    }

    QTemporaryDir m_scratch;
    QString m_output;
};

// A whole Version 2 factory reset; run_program_test.sh asks the simulated controller whether
// it got "m" and twelve "d".
TEST_F(ProgramRun, KorveltoolLoadsTheFactorySettingsAndSavesTheProtocol) {
    const QString saved = path(QStringLiteral("sitzung.rtf"));
    const QString exe = QCoreApplication::applicationDirPath() + QStringLiteral("/korveltool.exe");
    ASSERT_TRUE(run(exe, QStringLiteral("click Verbinden; message Werkseinstellung wird geladen !; "
                                        "click Speichern unter; file %1; click Beenden")
                             .arg(saved)))
        << diagnosis();
    EXPECT_EQ(remarks(), QStringList{QStringLiteral("message Werkseinstellung wird geladen !")})
        << diagnosis();

    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << diagnosis();
    const testsupport::RtfReadBack back = testsupport::readBackRtf(file.readAll().toStdString());
    ASSERT_TRUE(back.ok) << back.error;
    QStringList blue;
    bool resetSeen = false;
    for (const testsupport::RtfParagraph& p : back.paragraphs) {
        if (!p.text().empty() && p.colour() == Blue) {
            blue << QString::fromLatin1(p.text());
        }
        resetSeen = resetSeen || p.text().find("loading default config") != std::string::npos;
    }
    EXPECT_EQ(blue, (QStringList{QStringLiteral("# Schnittstelle ist geöffnet."),
                                 QStringLiteral("  Jetzt RESET am Panel durchführen."),
                                 QStringLiteral("# m"), QStringLiteral("# Auswahl: d"),
                                 QStringLiteral("# Schnittstelle ist geschlossen")}));
    EXPECT_TRUE(resetSeen);
}

// "Beenden" writes DruckKorvel.ini and protokoll.rtf beside the program, and the next start
// takes its settings from there.
TEST_F(ProgramRun, DruckKorvelKeepsItsSettingsAndProtocolBesideTheProgram) {
    const QString folder = programFolderWith(QStringLiteral("DruckKorvel.exe"));
    const QString exe = folder + QStringLiteral("/DruckKorvel.exe");
    ASSERT_TRUE(run(exe, QStringLiteral("click Start; wait 2500; click Beenden"))) << diagnosis();
    EXPECT_EQ(remarks(), QStringList()) << diagnosis();

    const QString protocol = readAll(folder + QStringLiteral("/protokoll.rtf"));
    const testsupport::RtfReadBack back =
        testsupport::readBackRtf(protocol.toLatin1().toStdString());
    ASSERT_TRUE(back.ok) << back.error << protocol.left(200).toStdString();
    std::size_t printed = 0;
    bool startSeen = false;
    for (const testsupport::RtfParagraph& p : back.paragraphs) {
        startSeen = startSeen || p.text().find("Start Aufzeichnung") != std::string::npos;
        printed += !p.text().empty();
    }
    EXPECT_TRUE(startSeen);
    EXPECT_GE(printed, 4u) << "the start marker and some printed lines";

    const QString iniPath = folder + QStringLiteral("/DruckKorvel.ini");
    QStringList ini = readAll(iniPath).split(QStringLiteral("\r\n"));
    ASSERT_EQ(ini.size(), 6) << ini.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(ini[0].size(), 91) << ini[0].toStdString();
    EXPECT_EQ(QDir(path(QStringLiteral("cwd"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList());

    // A line limit the program would never choose itself comes back from the next start.
    ini[4] = QStringLiteral("4321");
    {
        QFile f(iniPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ini.join(QStringLiteral("\r\n")).toLatin1());
    }
    ASSERT_TRUE(run(exe, QStringLiteral("click Beenden"))) << diagnosis();
    EXPECT_EQ(readAll(iniPath).split(QStringLiteral("\r\n")).value(4), QStringLiteral("4321"));
}

} // namespace

// The portable program folder as the technician gets it: the archive is made from this build
// folder with CPack, unpacked into a fresh folder whose name holds blanks and shell
// characters, and the unmodified programs are started from there with another working
// directory. A probe plugin (probe/) drives their windows; inotify tells which files of the
// folder they opened and wrote.
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QString output;
};

// Runs argv in a process group of its own, so that a timeout ends whatever it started. The
// output goes to a file, not a pipe: a program it started may outlive it (gio launch) and
// must not die of a closed pipe.
Outcome run(const QStringList& argv, const QString& cwd, const QProcessEnvironment& env,
            int timeoutMs = 90000) {
    QTemporaryFile out;
    Outcome r;
    if (!out.open()) {
        r.output = QStringLiteral("no output file");
        return r;
    }
    QProcess p;
    p.setProgram(argv.front());
    p.setArguments(argv.mid(1));
    p.setWorkingDirectory(cwd);
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(out.fileName());
    p.setStandardErrorFile(out.fileName(), QIODevice::Append);
    p.setChildProcessModifier([] { ::setsid(); });
    p.start();
    if (!p.waitForStarted(10000)) {
        r.output = p.errorString();
        return r;
    }
    const auto group = static_cast<pid_t>(p.processId());
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        ::kill(-group, SIGKILL);
        p.waitForFinished(5000);
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.output = QString::fromLocal8Bit(out.readAll());
    return r;
}

// Files opened and written in some folders (names relative to the first one) while it lives.
// A file written through a temporary one counts under the name it ends up with.
class FolderWatch {
public:
    FolderWatch(const QString& root, const QStringList& subfolders)
        : m_root(root), m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        for (const QString& sub : QStringList{QString()} + subfolders) {
            const QString path = sub.isEmpty() ? root : root + QLatin1Char('/') + sub;
            const int wd = ::inotify_add_watch(m_fd, QFile::encodeName(path).constData(),
                                               IN_OPEN | IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO);
            m_prefix[wd] = sub.isEmpty() ? QString() : sub + QLatin1Char('/');
        }
    }
    ~FolderWatch() { ::close(m_fd); }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Reads what the kernel queued since the last call.
    void collect() {
        alignas(inotify_event) char buf[64 * 1024];
        ssize_t n;
        while ((n = ::read(m_fd, buf, sizeof buf)) > 0) {
            for (char* p = buf; p < buf + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                if (e->len > 0) {
                    const QString name = m_prefix[e->wd] + QFile::decodeName(e->name);
                    if (e->mask & IN_OPEN) {
                        opened << name;
                    }
                    if (e->mask & (IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO)) {
                        written << name;
                    }
                }
                p += sizeof(inotify_event) + e->len;
            }
        }
        written.removeIf([&](const QString& name) {
            return !QFileInfo::exists(m_root + QLatin1Char('/') + name);
        });
    }

    QSet<QString> opened;
    QSet<QString> written;

private:
    QString m_root;
    int m_fd;
    std::map<int, QString> m_prefix;
};

// Every file under a folder, relative, with its size: to see that nothing was written there.
QStringList listing(const QString& dir) {
    QStringList out;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        out << QDir(dir).relativeFilePath(it.filePath()) + QLatin1Char(' ') +
                   QString::number(it.fileInfo().size());
    }
    out.sort();
    return out;
}

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

class ProgramFolder : public ::testing::Test {
protected:
    // The archive of this build, unpacked once per test into a folder of a hostile name.
    void SetUp() override {
        ASSERT_TRUE(m_scratch.isValid());
        for (const char* sub : {"pack", "home", "cwd", "tmp", "runtime", "ports"}) {
            ASSERT_TRUE(QDir(m_scratch.path()).mkpath(QString::fromLatin1(sub)));
        }
        QFile::setPermissions(path("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner);
        const Outcome pack =
            run({QStringLiteral(KORVEL_CPACK), QStringLiteral("-G"), QStringLiteral("TGZ"),
                 QStringLiteral("-B"), path("pack")},
                QStringLiteral(KORVEL_BUILD_DIR), QProcessEnvironment::systemEnvironment());
        ASSERT_EQ(pack.exitCode, 0) << pack.output.toStdString();
        const QString name = QStringLiteral("korvel-%1-linux-x86_64").arg(KORVEL_VERSION);
        m_archive = path("pack/") + name + QStringLiteral(".tar.gz");
        ASSERT_TRUE(QFileInfo::exists(m_archive)) << pack.output.toStdString();

        m_unpackDir = path("Mein Ordner $HOME 'a' \"b\" \\c & d");
        ASSERT_TRUE(QDir().mkpath(m_unpackDir));
        const Outcome untar = run({QStringLiteral("tar"), QStringLiteral("-xzf"), m_archive},
                                  m_unpackDir, QProcessEnvironment::systemEnvironment());
        ASSERT_EQ(untar.exitCode, 0) << untar.output.toStdString();
        m_folder = m_unpackDir + QLatin1Char('/') + name;
        ASSERT_TRUE(QFileInfo(m_folder).isDir());
        m_homeBefore = listing(path("home"));
    }

    QString path(const QString& sub) const { return m_scratch.filePath(sub); }
    QString path(const char* sub) const { return path(QString::fromUtf8(sub)); }

    // The environment of a technician's desktop session, redirected into the scratch folder,
    // with the probe loaded into every Qt program started from it.
    QProcessEnvironment desktop(const QString& steps) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                "KORVEL_PORTS", "KORVEL_SHOTS", "KORVEL_SHOTS_DIR"}) {
            env.remove(QString::fromLatin1(var));
        }
        env.insert(QStringLiteral("HOME"), path("home"));
        env.insert(QStringLiteral("TMPDIR"), path("tmp"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("runtime"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(KORVEL_PROBE_PLUGINS));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("korvelprobe"));
        env.insert(QStringLiteral("KORVEL_PROBE_LOG"), path("probe.log"));
        env.insert(QStringLiteral("KORVEL_PROBE_STEPS"), steps);
        return env;
    }

    QStringList probeLog() const {
        return readAll(path("probe.log")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Started from the folder with another working directory: the program ran through the
    // steps, showed no other message and ended normally, writing nothing outside the folder.
    void expectCleanRun(const Outcome& r, const QStringList& messages) {
        EXPECT_TRUE(r.finished) << r.output.toStdString();
        EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
        const QStringList log = probeLog();
        QStringList expected;
        for (const QString& text : messages) {
            expected << QStringLiteral("message ") + text;
        }
        EXPECT_EQ(log.filter(QRegularExpression(QStringLiteral("^(message|missing) "))), expected)
            << log.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("end")))
            << log.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(listing(path("cwd")), QStringList());
        EXPECT_EQ(listing(path("home")), m_homeBefore);
    }

    QTemporaryDir m_scratch;
    QString m_archive;
    QString m_unpackDir;
    QString m_folder;
    QStringList m_homeBefore;
};

QStringList sourceDataFiles() {
    QStringList files = QDir(QStringLiteral(KORVEL_SOURCE_DIR "/data")).entryList(QDir::Files);
    files.removeAll(QStringLiteral("CMakeLists.txt"));
    return files;
}

TEST_F(ProgramFolder, HoldsProgramsDataHelpScriptsLaunchersAndAnEmptyCustomerFolder) {
    // One folder, named like the archive, is all that it unpacks to.
    EXPECT_EQ(QDir(m_unpackDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
    const QDir folder(m_folder);
    for (const char* program :
         {"korveltool", "DruckKorvel", "panelsim", "printersim", "run-korveltool.sh",
          "run-druckkorvel.sh", "run-with-simulator.sh", "install-launchers.sh"}) {
        EXPECT_TRUE(QFileInfo(folder.filePath(QString::fromLatin1(program))).isExecutable())
            << program;
    }
    for (const QString& file : sourceDataFiles()) {
        EXPECT_EQ(readAll(folder.filePath(file)),
                  readAll(QStringLiteral(KORVEL_SOURCE_DIR "/data/") + file))
            << file.toStdString();
    }
    const QFileInfo kunden(folder.filePath(QStringLiteral("Kunden")));
    EXPECT_TRUE(kunden.isDir() && kunden.isWritable());
    EXPECT_EQ(QDir(kunden.filePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList());

    // The help as it lies beside the built programs, whatever of it this build has.
    const QString builtBin = QStringLiteral(KORVEL_BUILD_DIR "/bin");
    if (QFileInfo(builtBin + QStringLiteral("/help")).isDir()) {
        EXPECT_EQ(listing(folder.filePath(QStringLiteral("help"))),
                  listing(builtBin + QStringLiteral("/help")));
    }
    for (const QString& chm : QDir(builtBin).entryList({QStringLiteral("*.chm")}, QDir::Files)) {
        EXPECT_TRUE(QFileInfo::exists(folder.filePath(chm))) << chm.toStdString();
    }

    EXPECT_TRUE(QFileInfo::exists(folder.filePath(QStringLiteral("LIESMICH.txt"))));
}

TEST_F(ProgramFolder, KorveltoolRunsASessionAndReadsItsDataFilesFromTheFolder) {
    FolderWatch watch(m_folder, {});
    const Outcome r = run({m_folder + QStringLiteral("/run-korveltool.sh")}, path("cwd"),
                          desktop(QStringLiteral("click Verbinden; message Werkseinstellung wird "
                                                 "geladen !; click Vestra dyn. Daten 50; click "
                                                 "Melderverschmutzung; click Vernetzung/Module; "
                                                 "click Beenden")));
    expectCleanRun(r, {QStringLiteral("Werkseinstellung wird geladen !")});
    watch.collect();
    for (const char* file : {"typ50.csv", "Fehler.csv", "fehler.rtf"}) {
        EXPECT_TRUE(watch.opened.contains(QString::fromLatin1(file))) << file;
    }
    // The session's recording file, in its own folder; nothing else.
    EXPECT_EQ(watch.written, QSet<QString>{QStringLiteral("Protokolle")});
    const QStringList sessions =
        QDir(m_folder + QStringLiteral("/Protokolle")).entryList(QDir::Files);
    ASSERT_EQ(sessions.size(), 1);
    EXPECT_TRUE(readAll(m_folder + QStringLiteral("/Protokolle/") + sessions.front())
                    .contains(QStringLiteral("loading default config")));
    // The simulated controller got the right answers.
    EXPECT_TRUE(
        r.output.contains(QRegularExpression(QStringLiteral("session 1 \\(Version 2\\): ok"))))
        << r.output.toStdString();
}

// "Beenden" writes the settings and the protocol into the program's folder, and the next
// start reads the settings from there.
TEST_F(ProgramFolder, DruckKorvelKeepsSettingsAndProtocolInTheFolder) {
    FolderWatch watch(m_folder, {QStringLiteral("Kunden")});
    const Outcome r =
        run({m_folder + QStringLiteral("/run-druckkorvel.sh"), QStringLiteral("--rate"),
             QStringLiteral("50")},
            path("cwd"), desktop(QStringLiteral("click Start; wait 1500; click Beenden")));
    expectCleanRun(r, {});
    watch.collect();
    EXPECT_EQ(watch.written,
              (QSet<QString>{QStringLiteral("DruckKorvel.ini"), QStringLiteral("protokoll.rtf"),
                             QStringLiteral("Mitschnitte")}));
    const QStringList recordings =
        QDir(m_folder + QStringLiteral("/Mitschnitte")).entryList(QDir::Files);
    ASSERT_EQ(recordings.size(), 1);
    EXPECT_TRUE(readAll(m_folder + QStringLiteral("/Mitschnitte/") + recordings.front())
                    .startsWith(QStringLiteral("0****  Start Aufzeichnung ")));
    const QString protocol = readAll(m_folder + QStringLiteral("/protokoll.rtf"));
    EXPECT_TRUE(protocol.startsWith(QStringLiteral("{\\rtf"))) << protocol.left(80).toStdString();
    EXPECT_TRUE(protocol.contains(QStringLiteral("Start Aufzeichnung")));
    const QStringList settings =
        readAll(m_folder + QStringLiteral("/DruckKorvel.ini")).split(QStringLiteral("\r\n"));
    EXPECT_EQ(settings.size(), 6) << settings.join(QLatin1Char('|')).toStdString();

    watch.opened.clear();
    watch.written.clear();
    QFile::remove(path("probe.log"));
    const Outcome again = run({m_folder + QStringLiteral("/DruckKorvel")}, path("cwd"),
                              desktop(QStringLiteral("click Beenden")));
    expectCleanRun(again, {});
    watch.collect();
    EXPECT_TRUE(watch.opened.contains(QStringLiteral("DruckKorvel.ini")));
}

// The menu entries of a user who unpacked the folder: installed into the user's own data
// folder, valid, starting the program in this folder, and gone again after --remove.
TEST_F(ProgramFolder, LaunchersInstallValidateStartTheProgramAndRemove) {
    const QString data = path("home/.local/share");
    const QString apps = data + QStringLiteral("/applications/");
    const QString icons = data + QStringLiteral("/icons/hicolor/scalable/apps/");
    ASSERT_TRUE(QDir().mkpath(apps));
    QFile other(apps + QStringLiteral("other.desktop"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();

    // Once with XDG_DATA_HOME naming the folder, once relying on the default under HOME.
    for (bool viaXdg : {true, false}) {
        QProcessEnvironment env = desktop(QStringLiteral("click Beenden"));
        if (viaXdg) {
            env.insert(QStringLiteral("XDG_DATA_HOME"), data);
        }
        const Outcome install =
            run({m_folder + QStringLiteral("/install-launchers.sh")}, path("cwd"), env);
        ASSERT_EQ(install.exitCode, 0) << install.output.toStdString();
    }
    const std::map<QString, QString> titles{
        {QStringLiteral("korvel-korveltool"), QStringLiteral("Korvel-Tool")},
        {QStringLiteral("korvel-druckkorvel"), QStringLiteral("DruckKorvel")}};
    for (const auto& [id, title] : titles) {
        const QString launcher = apps + id + QStringLiteral(".desktop");
        EXPECT_TRUE(QFileInfo::exists(icons + id + QStringLiteral(".svg"))) << id.toStdString();
        for (const QString& file :
             {launcher, m_folder + QStringLiteral("/desktop/") + id + QStringLiteral(".desktop")}) {
            const Outcome valid = run({QStringLiteral("desktop-file-validate"), file}, path("cwd"),
                                      QProcessEnvironment::systemEnvironment());
            EXPECT_EQ(valid.exitCode, 0) << file.toStdString() << valid.output.toStdString();
            EXPECT_EQ(valid.output.trimmed(), QString()) << valid.output.toStdString();
        }
        // The desktop's own launcher code starts the program in the unpacked folder.
        QFile::remove(path("probe.log"));
        const Outcome launch = run({QStringLiteral("gio"), QStringLiteral("launch"), launcher},
                                   path("cwd"), desktop(QStringLiteral("click Beenden")));
        EXPECT_EQ(launch.exitCode, 0) << launch.output.toStdString();
        for (int i = 0; i < 600 && !probeLog().contains(QStringLiteral("end")); ++i) {
            ::usleep(100 * 1000);
        }
        EXPECT_EQ(probeLog(),
                  (QStringList{QStringLiteral("start"), QStringLiteral("window ") + title,
                               QStringLiteral("click Beenden"), QStringLiteral("end")}));
    }

    // A % in the folder's path makes GLib's menus drop the entry: refused, nothing written.
    const QString percent = m_folder + QStringLiteral(" 100%");
    ASSERT_TRUE(QDir().rename(m_folder, percent));
    const Outcome refused =
        run({percent + QStringLiteral("/install-launchers.sh")}, path("cwd"), desktop(QString()));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.output.contains(QStringLiteral("%-Zeichen")))
        << refused.output.toStdString();
    ASSERT_TRUE(QDir().rename(percent, m_folder));

    const Outcome remove =
        run({m_folder + QStringLiteral("/install-launchers.sh"), QStringLiteral("--remove")},
            path("cwd"), desktop(QString()));
    EXPECT_EQ(remove.exitCode, 0) << remove.output.toStdString();
    EXPECT_EQ(QDir(apps).entryList(QDir::Files), QStringList{QStringLiteral("other.desktop")});
    EXPECT_EQ(QDir(icons).entryList(QDir::Files), QStringList());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

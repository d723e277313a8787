#include "capture_test_env.h"

#include "common/PortFolder.h"
#include "toolkit/ProgramFolder.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace capturetest {

QStringList menuTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* a : menu->actions()) {
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    return texts;
}

namespace {

#ifndef _WIN32
// Made before main, so the registry's first probe already sees the private folder. Links to
// nothing hide whatever adapters this machine has under the built-in names.
testsupport::PortFolder g_ports(9);
const QString g_portsDir = QString::fromStdString(g_ports.path());

// The user's data folder, where files go when a program folder takes none: a private one, so no
// test writes into the home folder of whoever runs it.
QString makeUserDataDir() {
    char pattern[] = "/tmp/korvel-capture-data-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    const QString path = dir != nullptr ? QString::fromLocal8Bit(dir) : QStringLiteral("/tmp");
    ::setenv("XDG_DATA_HOME", path.toLocal8Bit().constData(), 1);
    return path;
}

const QString g_userDataDir = makeUserDataDir();

struct CleanUp {
    ~CleanUp() { QDir(g_userDataDir).removeRecursively(); }
} g_cleanUp;
#endif

// Windows made without a folder of their own read the settings file beside the test programs,
// which is where the program leaves it when it is run from the build folder. Such a file would
// change their start-up; say so plainly instead of failing somewhere else.
class NoStraySettingsFile : public ::testing::Environment {
public:
    void SetUp() override {
        const QString stray = toolkit::programFolder() + QStringLiteral("DruckKorvel.ini");
        ASSERT_FALSE(QFile::exists(stray))
            << stray.toStdString()
            << " was left by a run of DruckKorvel from the build folder; remove it";
    }
};

[[maybe_unused]] ::testing::Environment* const g_noStraySettings =
    ::testing::AddGlobalTestEnvironment(new NoStraySettingsFile);

} // namespace

#ifndef _WIN32
QString portsDir() {
    return g_portsDir;
}

UserDataHome::UserDataHome(const QString& path) {
    ::setenv("XDG_DATA_HOME", path.toLocal8Bit().constData(), 1);
}

UserDataHome::~UserDataHome() {
    ::setenv("XDG_DATA_HOME", g_userDataDir.toLocal8Bit().constData(), 1);
}
#endif

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) {
            return done();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void runEvents(int ms) {
    waitUntil([] { return false; }, ms);
}

#ifndef _WIN32

PrinterSim::PrinterSim(int com, const QStringList& options) : m_com(com) {
    static int counter = 0;
    m_report = g_portsDir + QStringLiteral("/report-%1-%2.txt").arg(com).arg(++counter);
    QStringList args{toolkit::programFolder() + QStringLiteral("printersim"),
                     QStringLiteral("--ports"),
                     g_portsDir,
                     QStringLiteral("--com"),
                     QString::number(com),
                     QStringLiteral("--report"),
                     m_report};
    args << options;
    std::vector<std::string> argv;
    for (const QString& a : args) {
        argv.push_back(a.toStdString());
    }
    m_process = std::make_unique<ChildProcess>(argv);
}

PrinterSim::~PrinterSim() = default;

void PrinterSim::kill() {
    m_process->stop(SIGKILL);
}

bool PrinterSim::published(int timeoutMs) const {
    const QString link = g_portsDir + QStringLiteral("/COM") + QString::number(m_com);
    return waitUntil([&] { return QFileInfo(link).isSymLink() && QFileInfo::exists(link); },
                     timeoutMs);
}

QString PrinterSim::report() const {
    QFile f(m_report);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromLatin1(f.readAll());
}

QStringList PrinterSim::received() const {
    QStringList bytes;
    for (const QString& line : report().split(QLatin1Char('\n'))) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() == 3 && parts[1] == QStringLiteral("rx")) {
            bytes << parts[2].mid(2);
        }
    }
    return bytes;
}

QList<long> PrinterSim::receivedTimes() const {
    QList<long> times;
    for (const QString& line : report().split(QLatin1Char('\n'))) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() == 3 && parts[1] == QStringLiteral("rx")) {
            times << parts[0].toLong();
        }
    }
    return times;
}

#endif

} // namespace capturetest

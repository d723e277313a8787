#include "WritableFolder.h"

#include <QDir>
#include <QMap>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <utility>

namespace toolkit {

namespace {

struct State {
    std::function<bool(const QString&)> probe;
    QMap<QString, QString> answers; // program folder + program name -> folder in use
    QString notice;                 // waiting to be handed out
    bool told = false;
};

State& state() {
    static State s;
    return s;
}

QString withSeparator(const QString& folder) {
    QString f = QDir::toNativeSeparators(folder);
    if (!f.endsWith(QDir::separator())) {
        f += QDir::separator();
    }
    return f;
}

bool probe(const QString& folder) {
    const State& s = state();
    return s.probe ? s.probe(folder) : folderTakesFiles(folder);
}

} // namespace

bool folderTakesFiles(const QString& folder) {
    if (!QDir(folder).exists()) {
        return false;
    }
    QTemporaryFile file(QDir(folder).filePath(QStringLiteral(".schreibprobe-XXXXXX")));
    return file.open(); // removed again when `file` goes
}

QString userDataFolder(const QString& programName) {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#ifdef Q_OS_WIN
    const QString vendor = QStringLiteral("Korvel");
#else
    const QString vendor = QStringLiteral("korvel");
#endif
    return withSeparator(base + QLatin1Char('/') + vendor + QLatin1Char('/') + programName);
}

QString writableFolder(const QString& programFolder, const QString& programName) {
    State& s = state();
    const QString key = programFolder + QLatin1Char('\n') + programName;
    if (const auto known = s.answers.constFind(key); known != s.answers.cend()) {
        return *known;
    }
    QString folder = programFolder;
    if (!probe(programFolder)) {
        const QString user = userDataFolder(programName);
        if (QDir().mkpath(user) && probe(user)) {
            folder = user;
            if (!s.told && s.notice.isEmpty()) {
                s.notice = QStringLiteral("In den Programmordner %1 kann nicht geschrieben "
                                          "werden. Die Dateien des Programms werden in %2 "
                                          "gespeichert.")
                               .arg(QDir::toNativeSeparators(programFolder), user);
            }
        }
    }
    s.answers.insert(key, folder);
    return folder;
}

QString fallbackNotice() {
    State& s = state();
    if (s.notice.isEmpty()) {
        return {};
    }
    s.told = true;
    return std::exchange(s.notice, QString());
}

void setFolderProbe(std::function<bool(const QString& folder)> probe) {
    State& s = state();
    s = State{};
    s.probe = std::move(probe);
}

} // namespace toolkit

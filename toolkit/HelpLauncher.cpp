#include "HelpLauncher.h"

#include "ProgramFolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#ifdef _WIN32
#include <windows.h>
#endif

namespace toolkit {

namespace {

QString& helpFileName() {
    static QString name;
    return name;
}

HelpOpener& installedOpener() {
    static HelpOpener opener;
    return opener;
}

// Splits "file.chm::topic.htm" into its two parts; no "::" means the whole text is the file.
std::pair<QString, QString> splitTopic(const QString& fileAndTopic) {
    const qsizetype at = fileAndTopic.indexOf(QStringLiteral("::"));
    if (at < 0) {
        return {fileAndTopic, QString()};
    }
    return {fileAndTopic.left(at), fileAndTopic.mid(at + 2)};
}

#ifdef _WIN32
void platformOpen(const QString& fileAndTopic) {
    // hhctrl.ocx is loaded on demand so the program needs no import library of the help SDK.
    using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    static HMODULE module = LoadLibraryA("hhctrl.ocx");
    if (!module) {
        return;
    }
    auto fn = reinterpret_cast<HtmlHelpFn>(GetProcAddress(module, "HtmlHelpA"));
    if (!fn) {
        return;
    }
    // The viewer looks for a bare file name in the current folder; the help file lies beside
    // the program, so give it that folder when the file is there.
    auto [file, topic] = splitTopic(fileAndTopic);
    QString path = file;
    const QString besideProgram = programFolder() + file;
    if (QFileInfo(file).isRelative() && QFileInfo::exists(besideProgram)) {
        path = besideProgram;
    }
    const QString full = topic.isEmpty() ? path : path + QStringLiteral("::") + topic;
    const QByteArray text = full.toLocal8Bit();
    const UINT HH_DISPLAY_TOPIC_CMD = 0x0000;
    fn(nullptr, text.constData(), HH_DISPLAY_TOPIC_CMD, 0);
}
#else
void platformOpen(const QString& fileAndTopic) {
    const QString folder = programFolder();
    for (const QString& page : helpPageCandidates(fileAndTopic, folder)) {
        if (QFileInfo(page).isFile()) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(page));
            return;
        }
    }
    const QString chm = folder + splitTopic(fileAndTopic).first;
    if (!QFileInfo(chm).isFile()) {
        return;
    }
    for (const char* viewer : {"xchm", "kchmviewer", "chmsee"}) {
        const QString exe = QStandardPaths::findExecutable(QString::fromLatin1(viewer));
        if (!exe.isEmpty()) {
            QProcess::startDetached(exe, {chm});
            return;
        }
    }
}
#endif

} // namespace

void setHelpFile(const QString& fileName) {
    helpFileName() = fileName;
}

QString helpFile() {
    return helpFileName();
}

void showHelpTopic(const QString& topic) {
    openHelp(helpFileName() + topic);
}

void openHelp(const QString& fileAndTopic) {
    if (installedOpener()) {
        installedOpener()(fileAndTopic);
        return;
    }
    platformOpen(fileAndTopic);
}

HelpOpener setHelpOpener(HelpOpener opener) {
    HelpOpener previous = std::move(installedOpener());
    installedOpener() = std::move(opener);
    return previous;
}

QStringList helpPageCandidates(const QString& fileAndTopic, const QString& programFolder) {
    auto [file, topic] = splitTopic(fileAndTopic);
    // A topic is a file name inside the help folder; anything that could leave it is refused.
    if (topic.isEmpty() || topic.contains(QLatin1Char('/')) || topic.contains(QLatin1Char('\\')) ||
        topic == QStringLiteral("..")) {
        return {};
    }
    const QString help = QDir(programFolder).filePath(QStringLiteral("help"));
    QStringList candidates;
    const QString base = QFileInfo(file).completeBaseName();
    if (!base.isEmpty()) {
        candidates << QDir(help).filePath(base + QLatin1Char('/') + topic);
    }
    candidates << QDir(help).filePath(topic);
    return candidates;
}

} // namespace toolkit

#include "HelpLauncher.h"

#include "ProgramFolder.h"

#include <QCoreApplication>
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
using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
constexpr UINT kDisplayTopic = 0x0000; // HH_DISPLAY_TOPIC
constexpr UINT kCloseAll = 0x0012;     // HH_CLOSE_ALL

// The viewer runs inside the program; its windows are closed before the program ends, or the
// viewer's own thread may outlive the window system at exit.
void closeHelpWindows();

// hhctrl.ocx is loaded on first use, so the program needs no import library of the help SDK
// and starts also where no help viewer is installed.
HtmlHelpFn htmlHelp() {
    static const HtmlHelpFn fn = [] {
        HMODULE module = LoadLibraryA("hhctrl.ocx");
        if (!module) {
            return HtmlHelpFn{};
        }
        // Through void(*)(): GetProcAddress gives every export one function type.
        auto found = reinterpret_cast<HtmlHelpFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "HtmlHelpA")));
        if (found) {
            qAddPostRoutine(closeHelpWindows);
        }
        return found;
    }();
    return fn;
}

void closeHelpWindows() {
    if (HtmlHelpFn fn = htmlHelp()) {
        fn(nullptr, nullptr, kCloseAll, 0);
    }
}

// The file's name in the ANSI code page that HtmlHelpA reads. A path that code page cannot
// spell (a user folder in another script) is given by its short form, which it always can.
QByteArray ansiPath(const QString& path) {
    const QByteArray ansi = path.toLocal8Bit();
    if (QString::fromLocal8Bit(ansi) == path) {
        return ansi;
    }
    const std::wstring wide = QDir::toNativeSeparators(path).toStdWString();
    wchar_t shortPath[MAX_PATH];
    const DWORD n = GetShortPathNameW(wide.c_str(), shortPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return ansi;
    }
    return QString::fromWCharArray(shortPath, static_cast<int>(n)).toLocal8Bit();
}

void platformOpen(const QString& fileAndTopic) {
    const HtmlHelpFn fn = htmlHelp();
    if (!fn) {
        return;
    }
    // The viewer looks for a bare file name in the current folder, which need not be the
    // program's: a help file that lies beside the program is given with that folder.
    auto [file, topic] = splitTopic(fileAndTopic);
    QByteArray text = file.toLocal8Bit();
    const QString besideProgram = programFolder() + file;
    if (!file.isEmpty() && QFileInfo(file).isRelative() && QFileInfo::exists(besideProgram)) {
        text = ansiPath(besideProgram);
    }
    if (!topic.isEmpty()) {
        text += "::" + topic.toLocal8Bit();
    }
    fn(nullptr, text.constData(), kDisplayTopic, 0);
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

// Where the capture window keeps its own files, and where it stands on the desktop.
#include "TForm1.h"

#include "ScreenPlace.h"
#include "toolkit/Dialogs.h"
#include "toolkit/WritableFolder.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>

namespace printcapture {

namespace {

const QString kProgramName = QStringLiteral("DruckKorvel");

} // namespace

QString TForm1::dataFolder() {
    const QString folder = toolkit::writableFolder(AVerz, kProgramName);
    if (const QString notice = toolkit::fallbackNotice(); !notice.isEmpty()) {
        toolkit::dialogs().message(this, notice, {}, toolkit::Dialogs::Icon::Information);
    }
    return folder;
}

// The file the program wrote last time wins: where the program folder takes no files, a copy
// beside the program would otherwise hide every change the user made since.
QString TForm1::settingsFileToRead() const {
    const QString name = QStringLiteral("DruckKorvel.ini");
    const QString written = toolkit::writableFolder(AVerz, kProgramName) + name;
    return QFile::exists(written) ? written : AVerz + name;
}

void TForm1::keepOnScreen() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return;
    }
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens << screen->availableGeometry();
    }
    move(placeOnScreen(frameGeometry(), screens, primary->availableGeometry()));
}

} // namespace printcapture

// TForm1's files and exit: "Speichern unter", "Beenden", closing the window, and the folder of
// the program's own files.

#include "servicetool/session/TForm1.h"

#include "toolkit/Dialogs.h"
#include "toolkit/LineStoreRtf.h"
#include "toolkit/ProgramFolder.h"
#include "toolkit/ProtocolView.h"
#include "toolkit/Win1252.h"
#include "toolkit/WritableFolder.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace servicetool {

void TForm1::Speichernunter1Click() {
    const std::optional<QString> name = toolkit::dialogs().saveFileName(this, SaveDialog1);
    if (!name) {
        return;
    }
    QString reason;
    // Up to about a second for a protocol of hours; what arrives meanwhile waits in the port's
    // receive queue. Not interleaved with ticks: a tick may block in a burst or a message box.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = toolkit::saveLineStoreAsRtf(RichEdit1->store(), *name, &reason);
    QApplication::restoreOverrideCursor();
    if (!saved) {
        toolkit::dialogs().message(
            this, toolkit::cannotWriteText(QFileInfo(*name).absoluteFilePath(), reason), {},
            toolkit::Dialogs::Icon::Error);
    }
}

void TForm1::Beenden1Click() {
    close();
}

void TForm1::closeEvent(QCloseEvent* event) {
    Timer1->stop();
    Serial1.setActive(false);
    // Nothing to ask: the session's recording file holds the protocol.
    endSession();
    event->accept();
    // Closing the main window ends the program, also while other windows are shown.
    QCoreApplication::quit();
}

QString TForm1::dataFolder() {
    const QString base = m_programFolder.isEmpty() ? toolkit::programFolder() : m_programFolder;
    const QString folder = toolkit::writableFolder(base, QStringLiteral("korveltool"));
    if (const QString notice = toolkit::fallbackNotice(); !notice.isEmpty()) {
        appendBlue("# " + toolkit::toWin1252(notice));
    }
    return folder;
}

} // namespace servicetool

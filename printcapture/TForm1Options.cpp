// The capture window's life around the recording: the settings file, the options "Schnittstelle"
// and "Speicher", help and about, and the exit that keeps what was captured.
#include "TForm1.h"

#include "CaptureFiles.h"
#include "SettingsFile.h"
#include "toolkit/Dialogs.h"
#include "toolkit/HelpLauncher.h"
#include "toolkit/LineView.h"
#include "toolkit/RtfWriter.h"
#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <algorithm>

namespace printcapture {

namespace {

const QString kSettingsFile = QStringLiteral("DruckKorvel.ini");
const QString kProtocolFile = QStringLiteral("protokoll.rtf");
constexpr int kMinWidth = 100;

// The widest a window can usefully be: the whole desktop across every screen.
int widestWindow() {
    int widest = TForm1::kDefaultWidth;
    for (const QScreen* screen : QGuiApplication::screens()) {
        widest = std::max(widest, screen->virtualGeometry().width());
    }
    return widest;
}

} // namespace

// Applies the settings file; false when a line of the window place is no integer, which ends
// the start-up step after the message.
bool TForm1::LoadSettings() {
    const std::optional<std::string> bytes = readSettingsFile(settingsFileToRead());
    if (!bytes) {
        return true;
    }
    const LoadedSettings loaded = interpretSettings(splitSettingsFile(*bytes));
    // A text that is no valid settings text leaves the port settings as loaded.
    Serial1.SetSettings(Serial1.TextToSettings(loaded.settingsText));
    if (loaded.top) {
        move(x(), *loaded.top);
    }
    if (loaded.left) {
        move(*loaded.left, y());
    }
    if (loaded.width) {
        applyWidth(*loaded.width);
    }
    keepOnScreen();
    if (loaded.notAnInteger) {
        showFileError(this, notAnIntegerMessage(*loaded.notAnInteger));
        return false;
    }
    MaxLines = *loaded.maxLines;
    return true;
}

// A width from a foreign or damaged file must not make a window that no screen can show or
// that takes gigabytes to paint.
void TForm1::applyWidth(int width) {
    resize(std::clamp(width, kMinWidth, widestWindow()), height());
}

bool TForm1::SaveSettings() {
    const WindowPlace place{pos().y(), pos().x(), width()};
    const std::string text = Serial1.SettingsToText(Serial1.GetSettings());
    const QString path = dataFolder() + kSettingsFile;
    if (!toolkit::writeFileAtomic(path, composeSettingsFile(text, place, MaxLines))) {
        showFileError(this, toolkit::cannotWriteText(path));
        return false;
    }
    return true;
}

void TForm1::Schnittstelle1Click() {
    if (!SerExtDlg1->Execute()) {
        return;
    }
    Serial1.setActive(false);
    Serial1.setActive(PortWasActive);
    UpdateStatus();
    SaveSettings();
}

void TForm1::Speicher1Click() {
    const QString proposed = QString::number(MaxLines);
    const std::optional<QString> answer =
        toolkit::dialogs().input(this, QStringLiteral("Max. Zeilenanzahl"),
                                 QStringLiteral("Max.=32000, stadard=12000, min.=500"), proposed);
    // Cancelling answers the proposed value, which is then brought within the bounds too.
    MaxLines = lineLimitFromAnswer(toolkit::toWin1252(answer.value_or(proposed)));
    setPanel(5, QStringLiteral("max.Zeilen=") + QString::number(MaxLines));
}

void TForm1::verwenden1Click() {
    toolkit::showHelpTopic(QStringLiteral("::DruckKorvel.htm"));
}

void TForm1::Komponenten1Click() {
    toolkit::showHelpTopic(QStringLiteral("::Informationen.htm"));
}

void TForm1::ber1Click() {
    toolkit::dialogs().message(
        this, QStringLiteral("DruckKorvel\n\nAufzeichnung der Druckerausgabe einer "
                             "Brandmeldezentrale Korvel über die serielle Schnittstelle."));
}

void TForm1::noteDisplayWritten() {
    m_unsaved = false;
}

bool TForm1::hasUnsavedLines() const {
    constexpr std::string_view kLineEnd("\x0A\x0D", 2);
    return (m_unsaved && RichEdit1->lineCount() > 0) ||
           ReceiveBuffer.pending().find(kLineEnd) != std::string_view::npos;
}

// Complete lines still waiting are captured text too: they go to the display, as the poll
// would show them, before the protocol is written.
void TForm1::showWaitingLines() {
    while (std::optional<std::string> line = ReceiveBuffer.takeLine()) {
        showReceivedLine(*line);
    }
}

bool TForm1::writeProtocol() {
    const QString path = dataFolder() + kProtocolFile;
    // The same rich-text form as the export, in the display's font.
    const std::string rtf = toolkit::rtfFromLines(
        toolkit::rtfLinesFromDocument(*RichEdit1->document()), {QStringLiteral("Courier New"), 9});
    if (!toolkit::writeFileAtomic(path, rtf)) {
        showFileError(this, toolkit::cannotWriteText(path));
        return false;
    }
    noteDisplayWritten();
    return true;
}

// Settings that cannot be written are reported and must not cost the capture: the protocol is
// written all the same, and only the protocol decides whether the program may end.
bool TForm1::writeExitFiles() {
    showWaitingLines();
    SaveSettings();
    return writeProtocol();
}

// No DC3 goes out: the port closes when the component goes with the window.
void TForm1::Beenden1Click() {
    if (!writeExitFiles()) {
        return;
    }
    m_ending = true;
    close();
}

// The close box alone would lose the capture without a word; with received lines that no file
// holds yet it asks first. Writing the protocol on every close instead would overwrite the last
// protocol each time.
void TForm1::closeEvent(QCloseEvent* event) {
    if (!m_ending && hasUnsavedLines()) {
        switch (toolkit::dialogs().ask(
            this, QStringLiteral("Anzeige vor dem Beenden in protokoll.rtf sichern ?"))) {
        case toolkit::Dialogs::Answer::Yes:
            if (!writeExitFiles()) {
                event->ignore();
                return;
            }
            break;
        case toolkit::Dialogs::Answer::No:
            break;
        case toolkit::Dialogs::Answer::Cancel:
            event->ignore();
            return;
        }
    }
    m_ending = true;
    event->accept();
    emit programEnds();
}

} // namespace printcapture

// The capture window's recording at work: "Start" and "Stop" with their markers, the receive
// poll that shows one printed line per tick, the keep-alive that trims the display, and the
// display's own commands (clear, copy, select all).
#include "TForm1.h"

#include "toolkit/Dialogs.h"
#include "toolkit/LineView.h"
#include "toolkit/Win1252.h"

#include <QApplication>
#include <QMenu>
#include <QTime>
#include <QTimer>

namespace printcapture {

namespace {

constexpr char kDC1[] = "\x11";
constexpr char kDC3[] = "\x13";

} // namespace

// The long time format of the German system settings.
std::string TForm1::timeNow() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
}

std::string TForm1::ConvertLine(const std::string& line) const {
    return convertLine(line);
}

QTextCharFormat TForm1::formatFor(LineStyle style) const {
    QTextCharFormat f;
    f.setFontWeight(style == LineStyle::Bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(style == LineStyle::Italic);
    return f;
}

void TForm1::appendLine(const std::string& win1252) {
    appendMakingRoom(*RichEdit1, toolkit::fromWin1252(win1252), formatFor(m_currentStyle));
}

void TForm1::appendMarker(const std::string& marker) {
    setCurrentStyle(LineStyle::Italic);
    appendLine(marker);
    recordLine(marker);
    flushRecording();
    setCurrentStyle(LineStyle::Regular);
}

void TForm1::Start1Click() {
    Serial1.setActive(true);
    if (Serial1.Active()) {
        // A second start must not restart the timers, or pressed often enough the keep-alive
        // and the trim would never come.
        if (!Timer1->isActive()) {
            Timer1->start();
        }
        Serial1.WriteString(kDC1);
        if (!Timer2->isActive()) {
            Timer2->start();
        }
        endWait();
        beginRecording();
        appendMarker(startMarker(timeNow()));
    } else {
        toolkit::dialogs().message(this,
                                   QStringLiteral("Serielle Schnittstelle am PC nicht bereit"));
        Timer1->stop();
        Timer2->stop();
    }
    UpdateStatus();
}

void TForm1::Stop1Click() {
    Serial1.WriteString(kDC3);
    Serial1.setActive(false);
    Timer1->stop();
    Timer2->stop();
    endWait();
    appendMarker(endMarker(timeNow()));
    endRecording();
    UpdateStatus();
}

void TForm1::showReceivedLine(const std::string& line) {
    const std::string converted = ConvertLine(line);
    if (const std::optional<LineStyle> style = styleForLine(converted)) {
        setCurrentStyle(*style);
    }
    appendLine(converted);
    recordLine(converted);
    m_unsaved = true;
}

// One line per poll; more only while the backlog is over its bound, so memory stays bounded.
void TForm1::Timer1Timer() {
    ReceiveBuffer.append(Serial1.ReadString());
    bool added = false;
    if (std::optional<std::string> line = ReceiveBuffer.takeLine()) {
        showReceivedLine(*line);
        added = true;
    }
    while (ReceiveBuffer.overBound()) {
        std::optional<std::string> line = ReceiveBuffer.takeLine();
        if (!line) {
            break;
        }
        showReceivedLine(*line);
    }
    if (added) {
        flushRecording(); // a killed program loses nothing that a poll showed
    }
    showCounts();
}

// The status bar's waiting bytes and display lines.
void TForm1::showCounts() {
    setPanel(3, QStringLiteral(" P: ") + QString::number(ReceiveBuffer.size()));
    setPanel(2, QStringLiteral(" Z: ") + QString::number(RichEdit1->lineCount()));
}

void TForm1::Timer2Timer() {
    Serial1.WriteString(kDC1);
    syncRecording(); // a power cut loses at most the lines of one keep-alive period
    if (RichEdit1->lineCount() > MaxLines) {
        RichEdit1->deleteFirstLines(trimBlock(MaxLines));
        // Brings the insertion point, and with it the view, to the end.
        if (RichEdit1->appendEntry(QStringLiteral(" "), formatFor(m_currentStyle))) {
            RichEdit1->deleteLastLine();
        }
        RichEdit1->scrollToEnd();
    }
}

void TForm1::SpeedButton1Click() {
    Start1Click();
}

void TForm1::SpeedButton2Click() {
    Stop1Click();
}

void TForm1::SpeedButton3Click() {
    if (toolkit::dialogs().confirm(
            this, QStringLiteral("Inhalt des Anzeigefensters wirklich löschen ?"))) {
        clearDisplay();
    }
}

void TForm1::SpeedButton4Click() {
    Beenden1Click();
}

void TForm1::lschen1Click() {
    SpeedButton3Click();
}

void TForm1::Lschen2Click() {
    clearDisplay();
}

void TForm1::clearDisplay() {
    RichEdit1->clear();
    m_unsaved = false;
}

void TForm1::Kopieren1Click() {
    RichEdit1->copy();
}

void TForm1::AllesMarkieren1Click() {
    RichEdit1->selectAll();
}

void TForm1::PopupMenu1Popup() {
    Kopieren1->setEnabled(RichEdit1->textCursor().hasSelection());
}

void TForm1::showContextMenu(const QPoint& pos) {
    PopupMenu1->popup(RichEdit1->viewport()->mapToGlobal(pos));
}

} // namespace printcapture

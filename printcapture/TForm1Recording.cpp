// The capture window's recording file and its reaction to an unplugged adapter.
//
// A recording ("Start" to "Stop") goes to its own file in "Mitschnitte": every line that the
// receive pipeline or a marker puts into the display, in the form of "Speichern unter"
// (Windows-1252, CR LF), so "Öffnen" loads it back. The display is a view that its line limit
// trims; the file keeps every line.
//
// When the adapter is unplugged during a recording, the component closes itself and tells the
// window; the window marks the interruption and waits. When the registry lists the port again
// it is opened with the same settings, the panel gets its DC1, and the recording goes on in the
// same file after a second marker.
#include "TForm1.h"

#include "toolkit/LineView.h"
#include "toolkit/Win1252.h"

#include <QDateTime>
#include <QDir>
#include <QTimer>

namespace printcapture {

namespace {

constexpr char kDC1[] = "\x11";
// How often the window looks for a port that is listed again but could not be opened at its
// arrival (a device node whose permissions come a moment after it).
constexpr int kReconnectRetryMs = 1000;

} // namespace

QString TForm1::recordingFolder() {
    return QDir::toNativeSeparators(dataFolder() + QStringLiteral("Mitschnitte/"));
}

// A second "Start" during a recording goes on in the same file (or without one, when it could
// not be made: that was said once).
void TForm1::beginRecording() {
    if (m_recording.isRecording()) {
        return;
    }
    if (!m_recording.create(recordingFolder(), QStringLiteral("DruckKorvel_"),
                            QDateTime::currentDateTime())) {
        showRecordingFailure();
    }
}

void TForm1::recordLine(const std::string& win1252) {
    m_recording.appendLine(win1252);
}

void TForm1::flushRecording() {
    if (!m_recording.flush()) {
        showRecordingFailure();
    }
}

void TForm1::syncRecording() {
    if (!m_recording.sync()) {
        showRecordingFailure();
    }
}

void TForm1::endRecording() {
    m_recording.close();
    showRecordingFailure(); // a failure of the last write
}

// Once per recording, as a marker line of its own that goes to the display only.
void TForm1::showRecordingFailure() {
    if (const std::optional<QString> path = m_recording.takeFailure()) {
        const LineStyle style = currentStyle();
        setCurrentStyle(LineStyle::Italic);
        appendLine(failureMarker(toolkit::toWin1252(toolkit::recordingFailureText(*path))));
        setCurrentStyle(style);
    }
}

void TForm1::watchPort() {
    Serial1.OnCOMRemoved = [this](TObject*) { portRemoved(); };
    m_reconnectTimer = new QTimer(this);
    m_reconnectTimer->setInterval(kReconnectRetryMs);
    connect(m_reconnectTimer, &QTimer::timeout, this, &TForm1::tryReconnect);
}

// Called from the registry's rescan: the component has closed itself already. What arrived
// before the cable was pulled is shown (and recorded) before the marker; a line the cable cut
// short as a line of its own, or it would run into the first line after the re-plug.
void TForm1::portRemoved() {
    if (!Timer1->isActive()) {
        return; // no recording: nothing to wait for
    }
    Timer1->stop();
    Timer2->stop();
    showWaitingLines();
    if (!ReceiveBuffer.empty()) {
        showReceivedLine(std::string(ReceiveBuffer.pending()));
        ReceiveBuffer.clear();
    }
    appendMarker(interruptedMarker(timeNow()));
    showCounts();
    syncRecording();
    m_waitingForPort = true;
    COMManager().OnCOMArrival = [this](TObject*) { tryReconnect(); };
    m_reconnectTimer->start();
    UpdateStatus();
}

// From the registry's arrival (after its rescan, so the open's owner entry lands in the new
// list) or from the retry timer.
void TForm1::tryReconnect() {
    if (!m_waitingForPort || !COMManager().HasPort(Serial1.COMPort())) {
        return;
    }
    Serial1.setActive(true);
    if (!Serial1.Active()) {
        return; // listed but not ready yet: the retry timer tries again
    }
    endWait();
    Timer1->start();
    Serial1.WriteString(kDC1);
    Timer2->start();
    appendMarker(resumedMarker(timeNow()));
    UpdateStatus();
}

void TForm1::endWait() {
    if (!m_waitingForPort) {
        return;
    }
    m_waitingForPort = false;
    m_reconnectTimer->stop();
    COMManager().OnCOMArrival = nullptr;
}

} // namespace printcapture

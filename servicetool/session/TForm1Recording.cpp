// The service session's recording file and its reaction to an unplugged adapter.
//
// A session ("Verbinden" to the port's close) goes to its own file in "Protokolle": the lines
// of the protocol view as they are shown, the controller's text and the window's own lines,
// written at every tick that added text. The view holds an hour of trace in memory only; the
// file is the record that a crash or a closed window does not take away.
#include "servicetool/session/TForm1.h"

#include "toolkit/ProtocolView.h"
#include "toolkit/Win1252.h"

#include <QDateTime>
#include <QDir>
#include <QPushButton>
#include <QTimer>

namespace servicetool {

QString TForm1::recordingFolder() {
    return QDir::toNativeSeparators(dataFolder() + QStringLiteral("Protokolle/"));
}

// The view was emptied by "Verbinden" just before; the file starts with what it shows since.
void TForm1::beginSession() {
    m_recorded.reset();
    if (m_recording.create(recordingFolder(), QStringLiteral("Korvel-Tool_"),
                           QDateTime::currentDateTime())) {
        recordProtocol();
    } else {
        showRecordingFailure();
    }
}

void TForm1::recordProtocol() {
    if (!m_recording.isOpen()) {
        return;
    }
    m_recording.append(m_recorded.takeNew(RichEdit1->store()));
    if (!m_recording.flush()) {
        showRecordingFailure();
    }
}

void TForm1::endSession() {
    if (!m_recording.isRecording()) {
        return;
    }
    m_recording.append(m_recorded.finish(RichEdit1->store()));
    m_recording.close();
    showRecordingFailure();
}

// Once per session. The line itself cannot go to the file that failed.
void TForm1::showRecordingFailure() {
    if (const std::optional<QString> path = m_recording.takeFailure()) {
        appendBlue("# " + toolkit::toWin1252(toolkit::recordingFailureText(*path)) + " !");
    }
}

// The component has closed itself. The controller's boot that the session waited for has
// passed, so the window does not reconnect by itself.
void TForm1::portRemoved() {
    Timer1->stop();
    appendBlue("# Verbindung zur Schnittstelle unterbrochen !");
    endSession();
    BitBtn2->hide();
    BitBtn1->show();
}

} // namespace servicetool

#pragma once
// DruckKorvel's main window: records the panel's printer output from the serial port.
//
// The class is split by concern over these files:
//   TForm1.cpp           construction: display, toolbar, the whole menu bar, status bar, timers,
//                        the start-up step and the status panels
//   TForm1Capture.cpp    "Start", "Stop", the receive poll, the keep-alive and the display's
//                        own commands
//   TForm1Recording.cpp  the recording file and the wait for an unplugged adapter
//   TForm1Files.cpp      "Speichern unter", "Öffnen", the export and the customer window
//   TForm1Options.cpp    the settings file, "Schnittstelle", "Speicher", help, and the exit
//   TForm1Places.cpp     where the window's files go and where the window stands
// The program's start-up around the window is in StartUp.h.

#include "CaptureDisplay.h"
#include "CaptureFiles.h"
#include "CapturePipeline.h"
#include "serial/Serial.h"
#include "serial/qt/SerAddons.h"
#include "toolkit/RecordingFile.h"

#include <QMainWindow>
#include <QString>
#include <QTextCharFormat>
#include <array>
#include <string>

class QAction;
class QCloseEvent;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;

namespace toolkit {
class LineView;
}

namespace printcapture {

class TForm3;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kPollMs = 100;                  // Timer1: one line per poll
    static constexpr int kKeepAliveMs = 10000;           // Timer2: DC1 and line-limit trim
    static constexpr int kTextLimit = kDisplayTextLimit; // characters of the display
    static constexpr int kDefaultMaxLines = 12000;
    static constexpr int kDefaultWidth = 330;

    // `programFolder` is where the settings and protocol files are (with a trailing separator);
    // empty means the folder of the running program file, as the program uses it.
    explicit TForm1(QWidget* parent = nullptr, const QString& programFolder = {});
    ~TForm1() override;

    // Controls.
    QToolBar* ToolBar1 = nullptr;
    QToolButton* SpeedButton1 = nullptr; // Start
    QToolButton* SpeedButton2 = nullptr; // Stop
    QToolButton* SpeedButton3 = nullptr; // Löschen
    QToolButton* SpeedButton4 = nullptr; // Beenden
    toolkit::LineView* RichEdit1 = nullptr;
    std::array<QLabel*, 6> StatusBar1{};
    QMenu* Datei1 = nullptr;
    QAction* Speichern2 = nullptr; // "Speichern unter"
    QAction* ffnen1 = nullptr;     // "Öffnen"
    QAction* lschen1 = nullptr;    // "Anzeige löschen"
    QAction* Start1 = nullptr;
    QAction* Stop1 = nullptr;
    QAction* Beenden1 = nullptr;
    QMenu* Exportieren1 = nullptr;
    QAction* alsMitschnittimrtf1 = nullptr; // "als RFT-Datei  [*.rtf]"
    QMenu* Optionen1 = nullptr;
    QAction* Schnittstelle1 = nullptr;
    QAction* PDF1 = nullptr; // "Kundeninfo"
    QAction* Speicher1 = nullptr;
    QMenu* Hilfe1 = nullptr;
    QAction* verwenden1 = nullptr;
    QAction* ber1 = nullptr; // "über"
    QAction* Komponenten1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Kopieren1 = nullptr;
    QAction* Lschen2 = nullptr; // "Alles Löschen"
    QAction* AllesMarkieren1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    TSerial Serial1;
    TSerExtDlg* SerExtDlg1 = nullptr; // bound to Serial1, centred on this window

    // Window state.
    LineBuffer ReceiveBuffer;
    int MaxLines = kDefaultMaxLines;
    bool PortWasActive = false;
    QString AVerz;
    // What the export writes; the customer window's "ok" puts the header into it.
    ExportDocument ExportDocument1;
    // The customer-information window, created hidden by createCustomerWindow().
    TForm3* Form3 = nullptr;

    // Text of status panel 0..5.
    QString panelText(int index) const;
    LineStyle currentStyle() const { return m_currentStyle; }
    void UpdateStatus();
    std::string ConvertLine(const std::string& line) const;
    void createCustomerWindow();
    // The display's lines, text only, in order.
    std::vector<std::string> displayLines() const;

    // The folder of the window's own files (settings, protocol, recordings): AVerz when files
    // can be created there, else the user's data folder. The first call that falls back in a
    // run tells the user where the files go, in a message box.
    QString dataFolder();

    // Writes "DruckKorvel.ini" in dataFolder(). A file that cannot be written is reported to the
    // user and gives false; the previous file is then unchanged.
    bool SaveSettings();

    // The display counts as written to a file: the close box asks nothing until new lines
    // arrive. Called after the protocol, a save or an export succeeded.
    void noteDisplayWritten();
    // Whether the display holds received lines not yet written to any file, or complete lines
    // still wait in ReceiveBuffer.
    bool hasUnsavedLines() const;

    // Where the recording files go: "Mitschnitte" in dataFolder(), with a trailing
    // separator. The one place that decides it.
    QString recordingFolder();
    // The file of the present (or last) recording.
    const toolkit::RecordingFile& recording() const { return m_recording; }
    // The port vanished during a recording and the window waits for it to come back.
    bool waitingForPort() const { return m_waitingForPort; }

    // Test-only: shortens the timer periods so a test need not wait 100 ms per line or 10 s
    // per keep-alive. The program never calls this.
    void setTimerPeriodsForTest(int pollMs, int keepAliveMs);

public slots:
    void Start1Click();
    void Stop1Click();
    void Timer1Timer();
    void Timer2Timer();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void lschen1Click();
    void Lschen2Click();
    void Kopieren1Click();
    void AllesMarkieren1Click();
    void PopupMenu1Popup();
    void Beenden1Click();
    void Speichern2Click();
    void ffnen1Click();
    void alsMitschnittimrtf1Click();
    void PDF1Click();
    void Schnittstelle1Click();
    void Speicher1Click();
    void verwenden1Click();
    void Komponenten1Click();
    void ber1Click();

signals:
    // The window closed for good (by "Beenden" or an accepted close box): the program ends.
    void programEnds();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    bool LoadSettings();
    QString settingsFileToRead() const;
    // A stored place that no screen shows moves onto the primary screen.
    void keepOnScreen();
    // The steps of "Beenden" before the end: waiting lines shown, settings, protocol.
    bool writeExitFiles();
    bool writeProtocol();
    void showWaitingLines();
    void clearDisplay();
    void applyWidth(int width);
    void createToolBar();
    void createMenus();
    void createDisplay();
    void createStatusBar();
    void createTimers();
    void showContextMenu(const QPoint& pos);

    void setPanel(int index, const QString& text);
    void showCounts();
    void setCurrentStyle(LineStyle style) { m_currentStyle = style; }
    // The long time format of the German system settings, e.g. "14:05:09".
    static std::string timeNow();
    // Appends with the current style, making room at the text limit instead of dropping.
    void appendLine(const std::string& win1252);
    void appendMarker(const std::string& marker);
    void showReceivedLine(const std::string& line);
    // The recording file (TForm1Recording.cpp): every line that the receive pipeline
    // or a marker puts into the display during a recording also goes to the file.
    void beginRecording();
    void recordLine(const std::string& win1252);
    void flushRecording();
    void syncRecording();
    void endRecording();
    void showRecordingFailure();
    // The unplugged adapter: the component tells the window; the registry's arrival (or the
    // retry timer while the port is listed) brings the recording back.
    void watchPort();
    void portRemoved();
    void tryReconnect();
    void endWait();
    QTextCharFormat formatFor(LineStyle style) const;
    QString customerFolder() const;

    LineStyle m_currentStyle = LineStyle::Regular;
    bool m_unsaved = false; // received lines shown since the display was last written
    bool m_ending = false;  // "Beenden" wrote its files; the close needs no question
    toolkit::RecordingFile m_recording;
    bool m_waitingForPort = false;
    QTimer* m_reconnectTimer = nullptr; // retries the open while the port is listed
};

} // namespace printcapture

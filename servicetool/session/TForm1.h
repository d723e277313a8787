#pragma once
// The main window of korveltool: the service session at the panel controller's serial port.
// Its parts live in files named after it, one concern each:
//   TForm1.cpp           construction: controls, Serial1's stored layout, the line settings
//   TForm1Menus.cpp      the menus (all built there), their handlers, help and About
//   TForm1Session.cpp    "Verbinden"/"Trennen", the poll tick, the answers to the controller
//   TForm1Recording.cpp  the session's recording file and an unplugged adapter
//   TForm1Files.cpp      "Speichern unter", closing and exit, the folder of the program's files

#include "serial/Serial.h"
#include "servicetool/session/PromptSession.h"
#include "servicetool/session/ProtocolRecording.h"
#include "servicetool/session/ProtocolStream.h"
#include "toolkit/Dialogs.h"
#include "toolkit/RecordingFile.h"

#include <QMainWindow>
#include <memory>
#include <string_view>

class QGroupBox;
class QMenu;
class QAction;
class QPushButton;
class QTimer;
class TSerExtDlg;

namespace toolkit {
class ProtocolView;
class RadioGroup;
} // namespace toolkit

namespace servicetool {

class TForm2;
class TForm3;
class TForm4;

// The About message: program name and version, its purpose in one line, the build date.
QString aboutText();

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // `programFolder` is where the session recordings go (with a trailing separator); empty
    // means the folder of the running program file, as the program uses it.
    explicit TForm1(QWidget* parent = nullptr, const QString& programFolder = {});
    ~TForm1() override;

    // Controls and components, named as in the window's layout.
    QGroupBox* GroupBox1 = nullptr; // " Protokoll: "
    toolkit::ProtocolView* RichEdit1 = nullptr;
    toolkit::RadioGroup* RadioGroup2 = nullptr; // " SW- Version: "
    toolkit::RadioGroup* RadioGroup1 = nullptr; // " Aktion: "
    QPushButton* BitBtn3 = nullptr;             // help
    QPushButton* BitBtn1 = nullptr;             // "Verbinden"
    QPushButton* BitBtn2 = nullptr;             // "Trennen"
    QTimer* Timer1 = nullptr;
    TSerial Serial1;
    toolkit::FileDialogOptions SaveDialog1;

    QMenu* Datei1 = nullptr;
    QAction* Speichernunter1 = nullptr;
    QAction* Beenden1 = nullptr;
    QMenu* Diagnose1 = nullptr;
    QAction* Module1 = nullptr; // "Vernetzung/Module": the fault descriptions
    QAction* Vestra1 = nullptr;
    QAction* Melderverschmutzung1 = nullptr;
    QMenu* Optionen1 = nullptr;
    QAction* Schnittstelle1 = nullptr;
    QMenu* Sprache1 = nullptr;
    QAction* Deutsch1 = nullptr;  // checked, no action
    QAction* Englisch1 = nullptr; // disabled
    QMenu* Hilfe1 = nullptr;
    QAction* Verwenden1 = nullptr; // F1
    QAction* ber1 = nullptr;       // "über": the About message

    // The settings dialog on Serial1, placed by the windowing system.
    TSerExtDlg* SerExtDlg1 = nullptr;

    // The diagnose windows, created after this one at start-up and owned by it.
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;

    // The folder of the program's own files (the session recordings): the program folder when
    // files can be created there, else the user's data folder. The first call that falls back
    // in a run says where in a blue "# " line: a message box would stop the technician just as
    // the panel starts to boot.
    QString dataFolder();

    const PromptSession& session() const { return m_session; }
    bool Version2Selected() const { return m_session.version2(); }
    // What goes into the protocol view, and how.
    ProtocolStream& protocol() { return *m_protocol; }
    // Where the session recordings go: "Protokolle" in dataFolder(), with a trailing
    // separator. The one place that decides it.
    QString recordingFolder();
    // The file of the present (or last) session.
    const toolkit::RecordingFile& recording() const { return m_recording; }

public slots:
    void FormCreate();
    void RadioGroup2Click();
    void ApplyLineSettings();
    void BitBtn1Click();
    void BitBtn2Click();
    void Timer1Timer();
    void Speichernunter1Click();
    void Beenden1Click();
    void Module1Click();
    void Vestra1Click();
    void Melderverschmutzung1Click();
    void Schnittstelle1Click();
    void Verwenden1Click();
    void ber1Click();
    void BitBtn3Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    // The menu bar (TForm1Menus.cpp); the "Optionen" and "Hilfe" menus also wire the help
    // button and create the settings dialog.
    void createMenus();
    void createOptionsAndHelp();
    // The session (TForm1Session.cpp).
    void appendBlue(std::string_view win1252);
    void showReceived(const std::string& piece);
    void sendBurst(char letter);
    void announceFactoryReset();
    // The session's recording file (TForm1Recording.cpp): "Verbinden" starts it, the port's
    // close ends it; everything the view gains in between is written at once.
    void beginSession();
    void recordProtocol();
    void endSession();
    void showRecordingFailure();
    void portRemoved();

    PromptSession m_session;
    std::unique_ptr<ProtocolStream> m_protocol;
    QString m_programFolder;
    toolkit::RecordingFile m_recording;
    ProtocolRecording m_recorded;
};

} // namespace servicetool

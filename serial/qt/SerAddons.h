#pragma once
// The serial settings dialog of both programs: the non-visual component TSerExtDlg, bound to a
// TSerial and placed on a main window, and the modal window TFormCOMSetup it creates for each
// call.
//
// Contract:
// - Execute copies the bound component's port, line format and buffer sizes into a fresh
//   window, runs it modally and, only when the user confirms with "&Ok", writes the settings
//   back through the component's properties (so their rules apply: an unregistered port is
//   ignored, buffers below 16 bytes become 16). An open port is neither closed nor reopened:
//   it goes on with its old settings until it is next opened.
// - Cancelling (button or close box) changes nothing anywhere.
// - The component keeps one line-format record (a Win32 DCB) between calls. It is filled once
//   from "baud=9600 parity=N data=8 stop=1" and brought up to date from the bound component
//   at every call, so it never shows a flag that the component no longer has.
// - Each call fills the port list from the port registry as it is at that moment.
// - The dialog shows no message of its own.
//
// SerAddons* belong to serial/qt/, the serial layer's one Qt edge (library target serial_qt);
// the rest of serial/ stays free of Qt.

#include "serial/Serial.h"
#include "serial/qt/SerAddonsUpDown.h"

#include <QDialog>
#include <QObject>
#include <QWidget>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The window placement kinds of the toolkit.
enum class TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};

// What travels into the settings window and, on OK, back.
struct TCOMSetupData {
    std::int32_t PortNumber = 1;
    comm::DCB LineFormat{};
    std::int32_t RecBufSize = 2048;
    std::int32_t TrmBufSize = 2048;
    TPosition Position = TPosition::poDesigned;
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    QWidget* ParentWindow = nullptr;
    // The window of the dialog component's owner: what poMainFormCenter and poOwnerFormCenter
    // centre on (both programs own the component by their main window). None: the screen.
    QWidget* OwnerForm = nullptr;
};

// The settings window "Einstellungen". Every control carries its name as objectName.
class TFormCOMSetup : public QDialog {
    Q_OBJECT
public:
    // Runs FormCreate: the port list is filled from the registry now.
    explicit TFormCOMSetup(QWidget* parent = nullptr);

    // The modal run: true when closed with "&Ok"; then Data holds the window's port, line
    // format and buffer sizes. Otherwise Data is left as it was.
    bool RunSetup(TCOMSetupData& Data);

    QLabel* Label1 = nullptr;
    QComboBox* ComboBoxPort = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBoxBaudrate = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* ComboBoxDatabit = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* ComboBoxParity = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* ComboBoxStop = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QCheckBox* CheckBoxRTSCTS = nullptr;
    QCheckBox* CheckBoxDTRDSR = nullptr;
    QCheckBox* CheckBoxSoft = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* EditBufR = nullptr;
    TUpDown* UpDown1 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* EditBufT = nullptr;
    TUpDown* UpDown2 = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonAbort = nullptr;

    // Window state besides the controls.
    std::int32_t PortNumber = 1;
    comm::DCB LineFormat{};
    std::int32_t RecBufSize = 2048;
    std::int32_t TrmBufSize = 2048;

public slots:
    void FormCreate();
    void FormShow();
    void ButtonOkClick();
    void ButtonAbortClick();
    void UpDown1Click();
    void UpDown2Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void applyPosition(const TCOMSetupData& data);

    // What FormShow found, for "&Abbrechen".
    struct Saved {
        int port = -1, baud = -1, dataBits = -1, parity = -1, stop = -1;
        bool rtsCts = false, dtrDsr = false, soft = false;
        std::int32_t recBufSize = 0, trmBufSize = 0;
    } m_saved;
};

// The non-visual settings-dialog component, owned by its window.
class TSerExtDlg : public QObject {
    Q_OBJECT
public:
    explicit TSerExtDlg(QObject* owner = nullptr);

    TSerial* Serial() const { return m_serial; }
    void setSerial(TSerial* s) { m_serial = s; }
    TPosition PositionDlg() const { return m_positionDlg; }
    void setPositionDlg(TPosition p) { m_positionDlg = p; }
    int LeftDlg() const { return m_left; }
    void setLeftDlg(int left) { m_left = left; }
    int TopDlg() const { return m_top; }
    void setTopDlg(int top) { m_top = top; }

    // Modal; true when confirmed with "&Ok".
    bool Execute();

    // The kept line-format record (for tests and diagnostics).
    const comm::DCB& LineFormat() const { return m_dcb; }

private:
    void prepare(TCOMSetupData& data);
    void writeBack(const TCOMSetupData& data);

    TSerial* m_serial = nullptr;
    TPosition m_positionDlg = TPosition::poDesigned;
    int m_left = 0;
    int m_top = 0;
    comm::DCB m_dcb{};
};

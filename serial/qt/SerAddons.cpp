#include "serial/qt/SerAddons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <bit>
#include <memory>

namespace {

constexpr int kClientWidth = 256;
constexpr int kClientHeight = 297;
constexpr int kMinBufferExponent = 4;  // 16 bytes
constexpr int kMaxBufferExponent = 20; // 1048576 bytes
constexpr int kStartBufferExponent = 11;
constexpr int kBaud9600Index = 8;
constexpr int kMinPortNumber = 1;
constexpr int kMaxPortNumber = 99;
constexpr char kDefaultLineFormat[] = "baud=9600 parity=N data=8 stop=1";

// The arrow position that stands for a buffer size: its trailing zero bits (the base-2
// logarithm of a power of two).
int bufferExponent(std::int32_t size) {
    return std::countr_zero(static_cast<std::uint32_t>(size));
}

// Selects index in box when it names an entry, else nothing.
void selectIfValid(QComboBox* box, int index) {
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

void fill(QComboBox* box, const QStringList& entries) {
    box->clear();
    box->addItems(entries);
}

QStringList baudRateTexts() {
    QStringList texts;
    for (std::uint32_t value : BaudRateValues) {
        texts << QString::number(value);
    }
    return texts;
}

QStringList tableTexts(const char* const* table, int count) {
    QStringList texts;
    for (int i = 0; i < count; ++i) {
        texts << QString::fromLatin1(table[i]);
    }
    return texts;
}

QLabel* label(const QString& text, QWidget* buddy, QWidget* parent, const QRect& geometry) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    l->setGeometry(geometry);
    return l;
}

template <typename T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TFormCOMSetup

TFormCOMSetup::TFormCOMSetup(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("FormCOMSetup"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);
    createControls();
    FormCreate();
}

// Fixed positions, as a designed form has them; the client area is 256 x 297.
void TFormCOMSetup::createControls() {
    ComboBoxPort = named(new QComboBox(this), "ComboBoxPort");
    ComboBoxPort->setGeometry(112, 8, 136, 22);
    Label1 = named(label(QStringLiteral("&Schnittstelle"), ComboBoxPort, this, {8, 8, 100, 22}),
                   "Label1");

    GroupBox1 = named(new QGroupBox(QStringLiteral(" Format "), this), "GroupBox1");
    GroupBox1->setGeometry(8, 36, 240, 98);
    const int left = 10, right = 126, width = 104;
    ComboBoxBaudrate = named(new QComboBox(GroupBox1), "ComboBoxBaudrate");
    ComboBoxBaudrate->setGeometry(left, 32, width, 22);
    ComboBoxDatabit = named(new QComboBox(GroupBox1), "ComboBoxDatabit");
    ComboBoxDatabit->setGeometry(right, 32, width, 22);
    ComboBoxParity = named(new QComboBox(GroupBox1), "ComboBoxParity");
    ComboBoxParity->setGeometry(left, 72, width, 22);
    ComboBoxStop = named(new QComboBox(GroupBox1), "ComboBoxStop");
    ComboBoxStop->setGeometry(right, 72, width, 22);
    Label2 = named(
        label(QStringLiteral("&Baudrate"), ComboBoxBaudrate, GroupBox1, {left, 16, width, 16}),
        "Label2");
    Label3 = named(
        label(QStringLiteral("&Datenbit"), ComboBoxDatabit, GroupBox1, {right, 16, width, 16}),
        "Label3");
    Label4 = named(
        label(QStringLiteral("&Paritätsbit"), ComboBoxParity, GroupBox1, {left, 56, width, 16}),
        "Label4");
    Label5 =
        named(label(QStringLiteral("St&oppbits"), ComboBoxStop, GroupBox1, {right, 56, width, 16}),
              "Label5");

    GroupBox2 = named(new QGroupBox(QStringLiteral(" Handshake "), this), "GroupBox2");
    GroupBox2->setGeometry(8, 138, 240, 70);
    CheckBoxRTSCTS =
        named(new QCheckBox(QStringLiteral("RTS/CTS-Handshake"), GroupBox2), "CheckBoxRTSCTS");
    CheckBoxRTSCTS->setGeometry(10, 16, 220, 17);
    CheckBoxDTRDSR =
        named(new QCheckBox(QStringLiteral("D&TR/DSR-Handshake"), GroupBox2), "CheckBoxDTRDSR");
    CheckBoxDTRDSR->setGeometry(10, 33, 220, 17);
    CheckBoxSoft =
        named(new QCheckBox(QStringLiteral("&XOn/XOff-Protokoll"), GroupBox2), "CheckBoxSoft");
    CheckBoxSoft->setGeometry(10, 50, 220, 17);

    GroupBox3 = named(new QGroupBox(QStringLiteral(" Übertragungspuffer "), this), "GroupBox3");
    GroupBox3->setGeometry(8, 212, 240, 58);
    EditBufR = named(new QLineEdit(GroupBox3), "EditBufR");
    EditBufR->setGeometry(left, 32, width - 17, 22);
    UpDown1 = named(new TUpDown(GroupBox3), "UpDown1");
    UpDown1->setGeometry(left + width - 17, 32, 17, 22);
    EditBufT = named(new QLineEdit(GroupBox3), "EditBufT");
    EditBufT->setGeometry(right, 32, width - 17, 22);
    UpDown2 = named(new TUpDown(GroupBox3), "UpDown2");
    UpDown2->setGeometry(right + width - 17, 32, 17, 22);
    Label6 =
        named(label(QStringLiteral("&Empfangspuffer"), EditBufR, GroupBox3, {left, 16, width, 16}),
              "Label6");
    Label7 =
        named(label(QStringLiteral("Se&ndepuffer"), EditBufT, GroupBox3, {right, 16, width, 16}),
              "Label7");
    for (TUpDown* upDown : {UpDown1, UpDown2}) {
        upDown->setRange(kMinBufferExponent, kMaxBufferExponent);
        upDown->setPosition(kStartBufferExponent);
    }
    for (QLineEdit* edit : {EditBufR, EditBufT}) {
        // Only the arrows change a size; the arrow keys in the field step them too.
        edit->setReadOnly(true);
        edit->setAlignment(Qt::AlignRight);
        edit->installEventFilter(this);
    }

    ButtonOk = named(new QPushButton(QStringLiteral("&Ok"), this), "ButtonOk");
    ButtonOk->setGeometry(82, 274, 80, 22);
    ButtonOk->setDefault(true);
    ButtonAbort = named(new QPushButton(QStringLiteral("&Abbrechen"), this), "ButtonAbort");
    ButtonAbort->setGeometry(168, 274, 80, 22);

    connect(ButtonOk, &QPushButton::clicked, this, &TFormCOMSetup::ButtonOkClick);
    connect(ButtonAbort, &QPushButton::clicked, this, &TFormCOMSetup::ButtonAbortClick);
    connect(UpDown1, &TUpDown::clicked, this, &TFormCOMSetup::UpDown1Click);
    connect(UpDown2, &TUpDown::clicked, this, &TFormCOMSetup::UpDown2Click);
}

void TFormCOMSetup::FormCreate() {
    ComboBoxPort->clear();
    const TCOMManager& registry = COMManager();
    for (int i = 0; i < registry.Count(); ++i) {
        // The number travels with the name, so the choice stays right even if the registry
        // changes while the window is open.
        ComboBoxPort->addItem(QString::fromStdString(registry.Name(i)),
                              registry.Entry(i).PortNumber);
    }
    ComboBoxPort->setCurrentIndex(ComboBoxPort->count() > 0 ? 0 : -1);
    move(0, 0);
}

bool TFormCOMSetup::RunSetup(TCOMSetupData& Data) {
    // Every number the registry can hold is accepted, so a port chosen here before comes back
    // selected; anything else starts at COM1.
    const bool inRange = Data.PortNumber >= kMinPortNumber && Data.PortNumber <= kMaxPortNumber;
    PortNumber = inRange ? Data.PortNumber : kMinPortNumber;
    LineFormat = Data.LineFormat;
    TrmBufSize = Data.TrmBufSize;
    RecBufSize = Data.RecBufSize;
    if (Data.ParentWindow) {
        setParent(Data.ParentWindow, windowFlags());
    }
    applyPosition(Data);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    Data.PortNumber = PortNumber;
    Data.LineFormat = LineFormat;
    Data.TrmBufSize = TrmBufSize;
    Data.RecBufSize = RecBufSize;
    return true;
}

void TFormCOMSetup::applyPosition(const TCOMSetupData& data) {
    const QPoint designed(data.Left, data.Top);
    const QSize half = size() / 2;
    QScreen* screen = data.OwnerForm ? data.OwnerForm->screen() : QGuiApplication::primaryScreen();
    switch (data.Position) {
    case TPosition::poDesigned:
    case TPosition::poDefaultSizeOnly:
        move(designed);
        break;
    case TPosition::poDefault:
    case TPosition::poDefaultPosOnly:
        // The windowing system places it.
        setAttribute(Qt::WA_Moved, false);
        break;
    case TPosition::poScreenCenter:
        if (screen) {
            move(screen->geometry().center() - QPoint(half.width(), half.height()));
        }
        break;
    case TPosition::poDesktopCenter:
        if (screen) {
            move(screen->virtualGeometry().center() - QPoint(half.width(), half.height()));
        }
        break;
    case TPosition::poMainFormCenter:
    case TPosition::poOwnerFormCenter:
        if (data.OwnerForm) {
            const QRect owner = data.OwnerForm->frameGeometry();
            move(owner.center() - QPoint(half.width(), half.height()));
        } else if (screen) {
            move(screen->geometry().center() - QPoint(half.width(), half.height()));
        }
        break;
    }
}

void TFormCOMSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TFormCOMSetup::FormShow() {
    m_saved = {ComboBoxPort->currentIndex(),
               ComboBoxBaudrate->currentIndex(),
               ComboBoxDatabit->currentIndex(),
               ComboBoxParity->currentIndex(),
               ComboBoxStop->currentIndex(),
               CheckBoxRTSCTS->isChecked(),
               CheckBoxDTRDSR->isChecked(),
               CheckBoxSoft->isChecked(),
               RecBufSize,
               TrmBufSize};

    ComboBoxPort->setCurrentIndex(ComboBoxPort->findData(PortNumber));

    fill(ComboBoxBaudrate, baudRateTexts());
    const auto* rate =
        std::find(std::begin(BaudRateValues), std::end(BaudRateValues), LineFormat.BaudRate);
    ComboBoxBaudrate->setCurrentIndex(rate != std::end(BaudRateValues)
                                          ? static_cast<int>(rate - std::begin(BaudRateValues))
                                          : kBaud9600Index);
    fill(ComboBoxDatabit, {"4", "5", "6", "7", "8"});
    selectIfValid(ComboBoxDatabit, LineFormat.ByteSize - 4);
    fill(ComboBoxParity, tableTexts(ParityNames, kParityBitCount));
    selectIfValid(ComboBoxParity, LineFormat.Parity);
    fill(ComboBoxStop, tableTexts(StopBitNames, kStopBitsCount));
    selectIfValid(ComboBoxStop, LineFormat.StopBits);

    CheckBoxRTSCTS->setChecked(LineFormat.fRtsControl != 0 || LineFormat.fOutxCtsFlow != 0);
    CheckBoxDTRDSR->setChecked(LineFormat.fDtrControl != 0 || LineFormat.fOutxDsrFlow != 0);
    CheckBoxSoft->setChecked(LineFormat.fOutX != 0 || LineFormat.fInX != 0);

    EditBufR->setText(QString::number(RecBufSize));
    UpDown1->setPosition(bufferExponent(RecBufSize));
    EditBufT->setText(QString::number(TrmBufSize));
    UpDown2->setPosition(bufferExponent(TrmBufSize));
}

void TFormCOMSetup::UpDown1Click() {
    RecBufSize = 1 << UpDown1->Position();
    EditBufR->setText(QString::number(RecBufSize));
}

void TFormCOMSetup::UpDown2Click() {
    TrmBufSize = 1 << UpDown2->Position();
    EditBufT->setText(QString::number(TrmBufSize));
}

void TFormCOMSetup::ButtonOkClick() {
    // No port selected (none registered, or the incoming one is not): the old number stays.
    if (ComboBoxPort->currentIndex() >= 0) {
        PortNumber = ComboBoxPort->currentData().toInt();
    }
    // A list without a selection keeps its field.
    if (ComboBoxBaudrate->currentIndex() >= 0) {
        LineFormat.BaudRate = BaudRateValues[ComboBoxBaudrate->currentIndex()];
    }
    if (ComboBoxDatabit->currentIndex() >= 0) {
        LineFormat.ByteSize = static_cast<comm::BYTE>(ComboBoxDatabit->currentIndex() + 4);
    }
    if (ComboBoxParity->currentIndex() >= 0) {
        LineFormat.Parity = static_cast<comm::BYTE>(ComboBoxParity->currentIndex());
    }
    if (ComboBoxStop->currentIndex() >= 0) {
        LineFormat.StopBits = static_cast<comm::BYTE>(ComboBoxStop->currentIndex());
    }

    // The flag word is built anew: binary mode and what the window shows, nothing else.
    const bool rtsCts = CheckBoxRTSCTS->isChecked();
    const bool dtrDsr = CheckBoxDTRDSR->isChecked();
    const bool soft = CheckBoxSoft->isChecked();
    comm::DCB& f = LineFormat;
    f.fBinary = 1;
    f.fParity = LineFormat.Parity > 0 ? 1 : 0;
    f.fOutxCtsFlow = rtsCts ? 1 : 0;
    f.fOutxDsrFlow = dtrDsr ? 1 : 0;
    f.fDtrControl = dtrDsr ? comm::DTR_CONTROL_HANDSHAKE : comm::DTR_CONTROL_DISABLE;
    f.fDsrSensitivity = 0;
    f.fTXContinueOnXoff = 0;
    f.fOutX = soft ? 1 : 0;
    f.fInX = soft ? 1 : 0;
    f.fErrorChar = 0;
    f.fNull = 0;
    f.fRtsControl = rtsCts ? comm::RTS_CONTROL_HANDSHAKE : comm::RTS_CONTROL_DISABLE;
    f.fAbortOnError = 0;
    f.fDummy2 = 0;
    f.XonChar = 17;  // DC1
    f.XoffChar = 19; // DC3

    RecBufSize = EditBufR->text().toInt();
    TrmBufSize = EditBufT->text().toInt();
    accept();
}

void TFormCOMSetup::ButtonAbortClick() {
    ComboBoxPort->setCurrentIndex(m_saved.port);
    ComboBoxBaudrate->setCurrentIndex(m_saved.baud);
    ComboBoxDatabit->setCurrentIndex(m_saved.dataBits);
    ComboBoxParity->setCurrentIndex(m_saved.parity);
    ComboBoxStop->setCurrentIndex(m_saved.stop);
    CheckBoxRTSCTS->setChecked(m_saved.rtsCts);
    CheckBoxDTRDSR->setChecked(m_saved.dtrDsr);
    CheckBoxSoft->setChecked(m_saved.soft);
    RecBufSize = m_saved.recBufSize;
    TrmBufSize = m_saved.trmBufSize;
    reject();
}

bool TFormCOMSetup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == EditBufR || watched == EditBufT)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        TUpDown* upDown = watched == EditBufR ? UpDown1 : UpDown2;
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            key == Qt::Key_Up ? upDown->stepUp() : upDown->stepDown();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// TSerExtDlg

TSerExtDlg::TSerExtDlg(QObject* owner) : QObject(owner) {
    m_dcb.DCBlength = sizeof(comm::DCB);
    if (!comm::BuildCommDCBA(kDefaultLineFormat, &m_dcb)) {
        // The platform refused the fixed text; the record still starts at 9600 8N1.
        comm::parseCommDcbText(kDefaultLineFormat, m_dcb);
    }
}

bool TSerExtDlg::Execute() {
    TCOMSetupData data;
    prepare(data);
    bool confirmed = false;
    {
        // Owned here and destroyed before returning, also when an error escapes.
        auto form = std::make_unique<TFormCOMSetup>();
        confirmed = form->RunSetup(data);
    }
    if (!confirmed) {
        return false;
    }
    if (m_serial) {
        writeBack(data);
    }
    return true;
}

void TSerExtDlg::prepare(TCOMSetupData& data) {
    if (m_serial) {
        const TSerial& s = *m_serial;
        data.PortNumber = s.COMPort();
        m_dcb.BaudRate = BaudRateValues[static_cast<int>(s.Baudrate())];
        m_dcb.ByteSize = static_cast<comm::BYTE>(static_cast<int>(s.DataBits()) + 4);
        m_dcb.Parity = static_cast<comm::BYTE>(s.ParityBit());
        m_dcb.fParity = s.ParityBit() != TParityBit::none ? 1 : 0;
        m_dcb.StopBits = static_cast<comm::BYTE>(s.StopBits());
        m_dcb.fOutxCtsFlow = s.HandshakeRtsCts() ? 1 : 0;
        m_dcb.fRtsControl =
            s.HandshakeRtsCts() ? comm::RTS_CONTROL_HANDSHAKE : comm::RTS_CONTROL_DISABLE;
        m_dcb.fOutxDsrFlow = s.HandshakeDtrDsr() ? 1 : 0;
        m_dcb.fDtrControl =
            s.HandshakeDtrDsr() ? comm::DTR_CONTROL_HANDSHAKE : comm::DTR_CONTROL_DISABLE;
        m_dcb.fOutX = s.HandshakeXOnXOff() ? 1 : 0;
        m_dcb.fInX = s.HandshakeXOnXOff() ? 1 : 0;
        data.RecBufSize = s.BufSizeRec();
        data.TrmBufSize = s.BufSizeTrm();
    } else {
        data.PortNumber = 1;
        data.RecBufSize = 2048;
        data.TrmBufSize = 2048;
    }
    data.LineFormat = m_dcb;
    data.Position = m_positionDlg;
    data.Left = m_left;
    data.Top = m_top;
    auto* ownerWidget = qobject_cast<QWidget*>(parent());
    // A form that is itself a child of another window hands that window on as parent; an
    // ordinary top-level main window has none.
    data.ParentWindow = ownerWidget ? ownerWidget->parentWidget() : nullptr;
    data.OwnerForm = ownerWidget ? ownerWidget->window() : nullptr;
}

// Through the properties, in this order, so the component's own rules apply.
void TSerExtDlg::writeBack(const TCOMSetupData& data) {
    TSerial& s = *m_serial;
    s.setCOMPort(data.PortNumber);
    m_dcb = data.LineFormat;
    for (int i = 0; i < kBaudrateCount; ++i) {
        if (BaudRateValues[i] == m_dcb.BaudRate) {
            s.setBaudrate(static_cast<TBaudrate>(i));
        }
    }
    if (m_dcb.ByteSize >= 4 && m_dcb.ByteSize - 4 < kDataBitsCount) {
        s.setDataBits(static_cast<TDataBits>(m_dcb.ByteSize - 4));
    }
    if (m_dcb.Parity < kParityBitCount) {
        s.setParityBit(static_cast<TParityBit>(m_dcb.Parity));
    }
    if (m_dcb.StopBits < kStopBitsCount) {
        s.setStopBits(static_cast<TStopBits>(m_dcb.StopBits));
    }
    s.setHandshakeRtsCts(m_dcb.fOutxCtsFlow != 0);
    s.setHandshakeDtrDsr(m_dcb.fOutxDsrFlow != 0);
    s.setHandshakeXOnXOff(m_dcb.fInX != 0);
    s.setBufSizeRec(data.RecBufSize);
    s.setBufSizeTrm(data.TrmBufSize);
}

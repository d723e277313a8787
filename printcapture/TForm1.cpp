// The capture window's construction: its controls, the menu bar and toolbar in one place, the
// timers, and the start-up step that applies the settings file.
#include "TForm1.h"

#include "ToolbarIcons.h"
#include "serial/StoredLayout.h"
#include "toolkit/Dialogs.h"
#include "toolkit/LineView.h"
#include "toolkit/ProgramFolder.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace printcapture {

namespace {

constexpr std::array<int, 6> kPanelWidths = {50, 50, 60, 60, 50, 100};

} // namespace

TForm1::TForm1(QWidget* parent, const QString& programFolder)
    : QMainWindow(parent), AVerz(programFolder) {
    setWindowTitle(QStringLiteral("DruckKorvel"));
    LoadStoredLayout(Serial1, 1, TBaudrate::br_009600);
    SerExtDlg1 = new TSerExtDlg(this);
    SerExtDlg1->setSerial(&Serial1);
    SerExtDlg1->setPositionDlg(TPosition::poMainFormCenter);
    SerExtDlg1->setLeftDlg(0);
    SerExtDlg1->setTopDlg(0);
    createDisplay();
    createToolBar();
    createMenus();
    createStatusBar();
    createTimers();
    watchPort();
    FormCreate();
}

TForm1::~TForm1() {
    endWait();
}

void TForm1::createDisplay() {
    RichEdit1 = new toolkit::LineView(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    QFont font(QStringLiteral("Courier New"), 9);
    font.setStyleHint(QFont::TypeWriter);
    RichEdit1->setFont(font);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this, &TForm1::showContextMenu);
    setCentralWidget(RichEdit1);

    PopupMenu1 = new QMenu(this);
    Kopieren1 = PopupMenu1->addAction(QStringLiteral("Kopieren"), this, &TForm1::Kopieren1Click);
    PopupMenu1->addSeparator();
    Lschen2 = PopupMenu1->addAction(QStringLiteral("Alles Löschen"), this, &TForm1::Lschen2Click);
    PopupMenu1->addSeparator();
    AllesMarkieren1 = PopupMenu1->addAction(QStringLiteral("Alles Markieren"), this,
                                            &TForm1::AllesMarkieren1Click);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TForm1::PopupMenu1Popup);
}

void TForm1::createToolBar() {
    ToolBar1 = addToolBar(QStringLiteral("Werkzeuge"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->toggleViewAction()->setVisible(false);
    ToolBar1->setIconSize(QSize(16, 16));
    auto add = [this](ToolbarPicture picture, const QString& text, const QString& hint,
                      void (TForm1::*slot)()) {
        auto* b = new QToolButton(ToolBar1);
        b->setText(text);
        b->setToolTip(hint);
        b->setIcon(toolbarIcon(picture));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, slot);
        ToolBar1->addWidget(b);
        return b;
    };
    SpeedButton1 = add(ToolbarPicture::Start, QStringLiteral("Start"), QStringLiteral("Start"),
                       &TForm1::SpeedButton1Click);
    SpeedButton2 = add(ToolbarPicture::Stop, QStringLiteral("Stop"), QStringLiteral("Stop"),
                       &TForm1::SpeedButton2Click);
    SpeedButton3 = add(ToolbarPicture::Clear, QStringLiteral("Löschen"), QStringLiteral("Löschen"),
                       &TForm1::SpeedButton3Click);
    SpeedButton4 =
        add(ToolbarPicture::Exit, QStringLiteral("Beenden"), QString(), &TForm1::SpeedButton4Click);
}

// The whole menu bar in one place: "Datei", "Exportieren", "Optionen", "Hilfe".
void TForm1::createMenus() {
    Datei1 = menuBar()->addMenu(QStringLiteral("Datei"));
    Speichern2 =
        Datei1->addAction(QStringLiteral("Speichern unter"), this, &TForm1::Speichern2Click);
    ffnen1 = Datei1->addAction(QStringLiteral("Öffnen"), this, &TForm1::ffnen1Click);
    Datei1->addSeparator();
    lschen1 = Datei1->addAction(QStringLiteral("Anzeige löschen"), this, &TForm1::lschen1Click);
    Datei1->addSeparator();
    Start1 = Datei1->addAction(QStringLiteral("Start"), this, &TForm1::Start1Click);
    Start1->setShortcut(QKeySequence(Qt::Key_F3));
    Stop1 = Datei1->addAction(QStringLiteral("Stop"), this, &TForm1::Stop1Click);
    Stop1->setShortcut(QKeySequence(Qt::Key_F5));
    Datei1->addSeparator();
    Beenden1 = Datei1->addAction(QStringLiteral("Beenden"), this, &TForm1::Beenden1Click);
    Beenden1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1));

    // Enabled only while the port is closed (UpdateStatus).
    Exportieren1 = menuBar()->addMenu(QStringLiteral("Exportieren"));
    alsMitschnittimrtf1 = Exportieren1->addAction(QStringLiteral("als RFT-Datei  [*.rtf]"), this,
                                                  &TForm1::alsMitschnittimrtf1Click);
    Exportieren1->menuAction()->setEnabled(false);

    Optionen1 = menuBar()->addMenu(QStringLiteral("Optionen"));
    Schnittstelle1 =
        Optionen1->addAction(QStringLiteral("Schnittstelle"), this, &TForm1::Schnittstelle1Click);
    PDF1 = Optionen1->addAction(QStringLiteral("Kundeninfo"), this, &TForm1::PDF1Click);
    Speicher1 = Optionen1->addAction(QStringLiteral("Speicher"), this, &TForm1::Speicher1Click);

    Hilfe1 = menuBar()->addMenu(QStringLiteral("Hilfe"));
    verwenden1 = Hilfe1->addAction(QStringLiteral("verwenden"), this, &TForm1::verwenden1Click);
    verwenden1->setShortcut(QKeySequence(Qt::Key_F1));
    ber1 = Hilfe1->addAction(QStringLiteral("über"), this, &TForm1::ber1Click);
    Komponenten1 =
        Hilfe1->addAction(QStringLiteral("Komponenten"), this, &TForm1::Komponenten1Click);
}

void TForm1::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    for (std::size_t i = 0; i < StatusBar1.size(); ++i) {
        auto* panel = new QLabel(bar);
        panel->setFixedWidth(kPanelWidths[i]);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setTextFormat(Qt::PlainText);
        bar->addWidget(panel);
        StatusBar1[i] = panel;
    }
}

void TForm1::createTimers() {
    Timer1 = new QTimer(this);
    Timer1->setInterval(kPollMs);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer2 = new QTimer(this);
    Timer2->setInterval(kKeepAliveMs);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
}

void TForm1::setTimerPeriodsForTest(int pollMs, int keepAliveMs) {
    Timer1->setInterval(pollMs);
    Timer2->setInterval(keepAliveMs);
}

// Start-up step of the window. A line of the settings file that is no integer ends it early:
// the status bar then shows the port but no line limit.
void TForm1::FormCreate() {
    RichEdit1->setTextLimit(kTextLimit);
    MaxLines = kDefaultMaxLines;
    PortWasActive = false;
    UpdateStatus();
    resize(kDefaultWidth, height());
    if (AVerz.isEmpty()) {
        AVerz = toolkit::programFolder();
    }
    if (!LoadSettings()) {
        return;
    }
    UpdateStatus();
    setPanel(5, QStringLiteral("max.Zeilen=") + QString::number(MaxLines));
    ReceiveBuffer.clear();
}

QString TForm1::panelText(int index) const {
    return StatusBar1.at(static_cast<std::size_t>(index))->text();
}

void TForm1::setPanel(int index, const QString& text) {
    StatusBar1.at(static_cast<std::size_t>(index))->setText(text);
}

void TForm1::UpdateStatus() {
    setPanel(0, QStringLiteral(" com: ") + QString::number(Serial1.COMPort()));
    if (Serial1.COMPort() > 0) {
        PortWasActive = Serial1.Active();
    }
    QPalette pal = RichEdit1->palette();
    if (Serial1.Active()) {
        setPanel(1, QStringLiteral(" aktiv"));
        pal.setColor(QPalette::Base, QApplication::palette().color(QPalette::Base));
    } else {
        setPanel(1, QStringLiteral(" inaktiv"));
        pal.setColor(QPalette::Base, QApplication::palette().color(QPalette::Button));
    }
    Exportieren1->menuAction()->setEnabled(!Serial1.Active());
    RichEdit1->setPalette(pal);
    Schnittstelle1->setEnabled(!Serial1.Active());
}

} // namespace printcapture

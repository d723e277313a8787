#include "TForm1.h"

#include "ToolbarIcons.h"
#include "serial/StoredLayout.h"
#include "toolkit/Dialogs.h"
#include "toolkit/LineView.h"
#include "toolkit/ProgramFolder.h"
#include "toolkit/Win1252.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace printcapture {

namespace {

constexpr char kDC1[] = "\x11";
constexpr char kDC3[] = "\x13";
constexpr std::array<int, 6> kPanelWidths = {50, 50, 60, 60, 50, 100};

QString tr8(const char* win1252) {
    return toolkit::fromWin1252(win1252);
}

} // namespace

// The long time format of the German system settings.
std::string TForm1::timeNow() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
}

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
    Lschen2 = PopupMenu1->addAction(tr8("Alles L\xF6schen"), this, &TForm1::Lschen2Click);
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
    SpeedButton3 = add(ToolbarPicture::Clear, tr8("L\xF6schen"), tr8("L\xF6schen"),
                       &TForm1::SpeedButton3Click);
    SpeedButton4 =
        add(ToolbarPicture::Exit, QStringLiteral("Beenden"), QString(), &TForm1::SpeedButton4Click);
}

void TForm1::createMenus() {
    Datei1 = menuBar()->addMenu(QStringLiteral("Datei"));
    createFileMenuItems();
    lschen1 = Datei1->addAction(tr8("Anzeige l\xF6schen"), this, &TForm1::lschen1Click);
    Datei1->addSeparator();
    Start1 = Datei1->addAction(QStringLiteral("Start"), this, &TForm1::Start1Click);
    Start1->setShortcut(QKeySequence(Qt::Key_F3));
    Stop1 = Datei1->addAction(QStringLiteral("Stop"), this, &TForm1::Stop1Click);
    Stop1->setShortcut(QKeySequence(Qt::Key_F5));
    Datei1->addSeparator();
    Beenden1 = Datei1->addAction(QStringLiteral("Beenden"), this, &TForm1::Beenden1Click);
    Beenden1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1));
    createExportMenu();
    createOptionsMenu();
    addCustomerInfoItem();
    createHelpMenu();
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
    if (toolkit::dialogs().confirm(this, tr8("Inhalt des Anzeigefensters wirklich l\xF6schen ?"))) {
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

#include "servicetool/session/TForm1.h"

#include "servicetool/decoders/TForm2.h"
#include "servicetool/decoders/TForm3.h"
#include "servicetool/faultviewer/TForm4.h"

#include "serial/StoredLayout.h"
#include "toolkit/LineStoreRtf.h"
#include "toolkit/ProtocolView.h"
#include "toolkit/RadioGroup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <thread>

namespace servicetool {

namespace {

constexpr int BurstLength = 12;
constexpr auto BurstPause = std::chrono::milliseconds(100);
constexpr int PollIntervalMs = 100;

// The help button's glyph: a question mark in a blue disc.
QIcon helpGlyph() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 200));
    p.drawEllipse(1, 1, 14, 14);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(11);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
    return QIcon(pixmap);
}

// The small glyphs of "Verbinden" (a green arrow) and "Trennen" (a red square).
QIcon glyph(bool connect) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (connect) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 140, 0));
        const QPointF arrow[] = {{3, 3}, {13, 8}, {3, 13}};
        p.drawPolygon(arrow, 3);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 0, 0));
        p.drawRect(3, 3, 10, 10);
    }
    return QIcon(pixmap);
}

} // namespace

TForm1::TForm1(QWidget* parent, const QString& programFolder)
    : QMainWindow(parent), m_programFolder(programFolder) {
    setWindowTitle(QStringLiteral("Korvel-Tool"));
    createControls();
    createMenus();
    // A single border that cannot be resized.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    LoadStoredLayout(Serial1, 1, TBaudrate::br_115200);

    SaveDialog1.defaultExtension = QStringLiteral("rtf");
    SaveDialog1.filter = QStringLiteral("RichText [*.rtf]|*.rtf|Alle Files [*.*]|*.*");
    SaveDialog1.confirmOverwrite = false;
    Serial1.OnCOMRemoved = [this](TObject*) { portRemoved(); };

    FormCreate();
}

TForm1::~TForm1() {
    Timer1->stop();
    endSession();
}

void TForm1::createControls() {
    auto* client = new QWidget(this);
    client->setFixedSize(612, 464);
    setCentralWidget(client);

    GroupBox1 = new QGroupBox(QStringLiteral(" Protokoll: "), client);
    GroupBox1->setGeometry(8, 4, 370, 452);
    RichEdit1 = new toolkit::ProtocolView(GroupBox1);
    m_protocol = std::make_unique<ProtocolStream>(RichEdit1->store());
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QPalette palette = RichEdit1->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    RichEdit1->setPalette(palette);
    auto* protocolLayout = new QVBoxLayout(GroupBox1);
    protocolLayout->setContentsMargins(6, 4, 6, 6);
    protocolLayout->addWidget(RichEdit1);

    RadioGroup2 =
        new toolkit::RadioGroup(QStringLiteral(" SW- Version: "),
                                {QStringLiteral("Version 1"), QStringLiteral("Version 2")}, client);
    RadioGroup2->setGeometry(390, 4, 214, 72);
    RadioGroup2->setItemIndex(1);
    RadioGroup1 = new toolkit::RadioGroup(QStringLiteral(" Aktion: "),
                                          {QStringLiteral("Werkseinstellung"),
                                           QStringLiteral("Mitschnitt starten"),
                                           QStringLiteral("Mitschnitt beenden")},
                                          client);
    RadioGroup1->setGeometry(390, 84, 214, 96);
    RadioGroup1->setItemIndex(0);

    BitBtn3 = new QPushButton(helpGlyph(), QStringLiteral("&Hilfe"), client);
    BitBtn3->setGeometry(390, 192, 214, 30);
    BitBtn1 = new QPushButton(glyph(true), QStringLiteral("Verbinden"), client);
    BitBtn1->setGeometry(390, 384, 214, 30);
    BitBtn2 = new QPushButton(glyph(false), QStringLiteral("Trennen"), client);
    BitBtn2->setGeometry(390, 422, 214, 30);
    BitBtn2->hide();

    Timer1 = new QTimer(this);
    Timer1->setInterval(PollIntervalMs);
    // The answer latency is at most one period; a coarse timer would add up to 5 %.
    Timer1->setTimerType(Qt::PreciseTimer);

    connect(RadioGroup2, &toolkit::RadioGroup::clicked, this, &TForm1::RadioGroup2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
}

void TForm1::createMenus() {
    Datei1 = menuBar()->addMenu(QStringLiteral("Datei"));
    Speichernunter1 = Datei1->addAction(QStringLiteral("Speichern unter"));
    Beenden1 = Datei1->addAction(QStringLiteral("Beenden"));
    connect(Speichernunter1, &QAction::triggered, this, &TForm1::Speichernunter1Click);
    connect(Beenden1, &QAction::triggered, this, &TForm1::Beenden1Click);

    Diagnose1 = menuBar()->addMenu(QStringLiteral("Diagnose"));
    Module1 = Diagnose1->addAction(QStringLiteral("Vernetzung/Module"));
    Vestra1 = Diagnose1->addAction(QStringLiteral("Vestra dyn. Daten 50"));
    Melderverschmutzung1 = Diagnose1->addAction(QStringLiteral("Melderverschmutzung"));
    connect(Module1, &QAction::triggered, this, &TForm1::Module1Click);
    connect(Vestra1, &QAction::triggered, this, &TForm1::Vestra1Click);
    connect(Melderverschmutzung1, &QAction::triggered, this, &TForm1::Melderverschmutzung1Click);
    createOptionsAndHelp();
}

void TForm1::Vestra1Click() {
    if (Form2) {
        Form2->showAndRaise();
    }
}

void TForm1::Melderverschmutzung1Click() {
    if (Form3) {
        Form3->showAndRaise();
    }
}

void TForm1::FormCreate() {
    m_session.setVersion2(RadioGroup2->itemIndex() == 1);
    ApplyLineSettings();
}

void TForm1::RadioGroup2Click() {
    m_session.setVersion2(RadioGroup2->itemIndex() == 1);
    ApplyLineSettings();
}

void TForm1::ApplyLineSettings() {
    Serial1.setActive(false);
    endSession();
    const bool version2 = m_session.version2();
    Serial1.setBaudrate(version2 ? TBaudrate::br_115200 : TBaudrate::br_009600);
    Serial1.setHandshakeRtsCts(version2);
    Serial1.setHandshakeDtrDsr(false);
    Serial1.setHandshakeXOnXOff(false);
}

void TForm1::BitBtn1Click() {
    m_session.reset();
    m_protocol->clear();
    RichEdit1->clear();
    if (Serial1.COMPort() == 0) {
        toolkit::dialogs().beep();
        toolkit::dialogs().message(this, QStringLiteral("Keine Schnittstelle vorhanden !"));
        return;
    }
    Serial1.setActive(true);
    if (Serial1.Active()) {
        Timer1->start();
        appendBlue("# Schnittstelle ist ge\xF6"
                   "ffnet.\r  Jetzt RESET am Panel durchf\xFChren.");
        beginSession();
        BitBtn1->hide();
        BitBtn2->show();
        RichEdit1->setFocus();
    } else {
        Timer1->stop();
        appendBlue("# Fehler beim \xD6"
                   "ffnen der Schnittstelle !");
        BitBtn1->show();
        BitBtn2->hide();
    }
}

void TForm1::BitBtn2Click() {
    Serial1.setActive(false);
    Timer1->stop();
    appendBlue("# Schnittstelle ist geschlossen");
    endSession();
    BitBtn2->setVisible(Serial1.Active());
    BitBtn1->setVisible(!Serial1.Active());
}

void TForm1::Timer1Timer() {
    const std::string received = Serial1.ReadString();
    // The action is read as each prompt is recognised, not at connect time.
    for (const SessionStep& step : m_session.poll(received, RadioGroup1->itemIndex())) {
        switch (step.kind) {
        case SessionStep::Show:
            showReceived(step.text);
            break;
        case SessionStep::AnswerListener:
            appendBlue("# m");
            Serial1.WriteString(std::string(1, step.letter));
            break;
        case SessionStep::Burst:
            appendBlue(std::string("# Auswahl: ") + step.letter);
            sendBurst(step.letter);
            break;
        case SessionStep::FactoryReset:
            announceFactoryReset();
            break;
        }
    }
    recordProtocol();
}

// A piece the store refuses is shown as a blue "?" line, once per refused stretch; it still
// went to the prompt recognition.
void TForm1::showReceived(const std::string& piece) {
    m_protocol->receive(piece);
    RichEdit1->storeChanged();
}

// The controller expects the letter repeated at about 100 ms intervals; the pause follows
// every write, the last one included. Runs on the GUI thread and blocks it for 1.2 s; what the
// controller sends meanwhile waits in the receive queue for the next tick.
void TForm1::sendBurst(char letter) {
    const std::string text(1, letter);
    for (int i = 0; i < BurstLength; ++i) {
        Serial1.WriteString(text);
        std::this_thread::sleep_for(BurstPause);
    }
}

void TForm1::announceFactoryReset() {
    Serial1.setActive(false);
    Timer1->stop();
    appendBlue("# Schnittstelle ist geschlossen");
    endSession();
    toolkit::dialogs().message(this, QStringLiteral("Werkseinstellung wird geladen !"));
    // "Trennen" stays visible too: a second close is logged once more and hides it.
    BitBtn1->show();
}

void TForm1::appendBlue(std::string_view win1252) {
    m_protocol->note(win1252, OwnColour);
    RichEdit1->storeChanged();
    recordProtocol();
}

void TForm1::Speichernunter1Click() {
    const std::optional<QString> name = toolkit::dialogs().saveFileName(this, SaveDialog1);
    if (!name) {
        return;
    }
    QString error;
    // Up to about a second for a protocol of hours; what arrives meanwhile waits in the port's
    // receive queue. Not interleaved with ticks: a tick may block in a burst or a message box.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = toolkit::saveLineStoreAsRtf(RichEdit1->store(), *name, &error);
    QApplication::restoreOverrideCursor();
    if (!saved) {
        toolkit::dialogs().message(this, error, {}, toolkit::Dialogs::Icon::Error);
    }
}

void TForm1::Beenden1Click() {
    close();
}

// Shows the one fault-description window; one that is already up only comes to the front.
void TForm1::Module1Click() {
    if (Form4) {
        Form4->show();
        Form4->raise();
        Form4->activateWindow();
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    Timer1->stop();
    Serial1.setActive(false);
    // Nothing to ask: the session's recording file holds the protocol.
    endSession();
    event->accept();
    // Closing the main window ends the program, also while other windows are shown.
    QCoreApplication::quit();
}

} // namespace servicetool

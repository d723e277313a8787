// TForm1's construction: its controls, the stored layout of Serial1, the line settings of the
// chosen software version.
#include "servicetool/session/TForm1.h"

#include "serial/StoredLayout.h"
#include "toolkit/ProtocolView.h"
#include "toolkit/RadioGroup.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QLayout>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace servicetool {

namespace {

constexpr int kPollIntervalMs = 100;

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
    Timer1->setInterval(kPollIntervalMs);
    // The answer latency is at most one period; a coarse timer would add up to 5 %.
    Timer1->setTimerType(Qt::PreciseTimer);

    connect(RadioGroup2, &toolkit::RadioGroup::clicked, this, &TForm1::RadioGroup2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
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

} // namespace servicetool

// TForm1's menus, built in one place, with their handlers; the help button and the settings
// dialog on Serial1.

#include "servicetool/session/TForm1.h"

#include "serial/qt/SerAddons.h"
#include "servicetool/decoders/TForm2.h"
#include "servicetool/decoders/TForm3.h"
#include "servicetool/faultviewer/TForm4.h"
#include "toolkit/HelpLauncher.h"
#include "toolkit/WindowFront.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <array>

#ifndef KORVEL_VERSION
#define KORVEL_VERSION "1.0"
#endif

namespace servicetool {

namespace {

// The compiler's "Mmm dd yyyy" as "dd.mm.yyyy".
QString germanDate(const char* compilerDate) {
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QString text = QString::fromLatin1(compilerDate).simplified();
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() != 3) {
        return text;
    }
    int month = 0;
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (parts[0] == QLatin1String(kMonths[i])) {
            month = static_cast<int>(i) + 1;
        }
    }
    return QStringLiteral("%1.%2.%3")
        .arg(parts[1].toInt(), 2, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(parts[2]);
}

} // namespace

QString aboutText() {
    return QStringLiteral("Korvel-Tool, Version %1\n\n"
                          "Service an der Steuerung der Korvel-Brandmelderzentrale: Startdialog, "
                          "Werkseinstellung, Mitschnitt und Diagnose.\n\n"
                          "Erstellt am %2")
        .arg(QStringLiteral(KORVEL_VERSION), germanDate(__DATE__));
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

void TForm1::createOptionsAndHelp() {
    SerExtDlg1 = new TSerExtDlg(this);
    SerExtDlg1->setObjectName(QStringLiteral("SerExtDlg1"));
    SerExtDlg1->setSerial(&Serial1);
    SerExtDlg1->setPositionDlg(TPosition::poDefault);
    SerExtDlg1->setLeftDlg(0);
    SerExtDlg1->setTopDlg(0);

    Optionen1 = menuBar()->addMenu(QStringLiteral("Optionen"));
    Schnittstelle1 = Optionen1->addAction(QStringLiteral("Schnittstelle"));
    Sprache1 = Optionen1->addMenu(QStringLiteral("Sprache"));
    Deutsch1 = Sprache1->addAction(QStringLiteral("Deutsch"));
    Englisch1 = Sprache1->addAction(QStringLiteral("Englisch"));
    // "Deutsch" is always checked: choosing it again leaves it so.
    Deutsch1->setCheckable(true);
    Deutsch1->setChecked(true);
    connect(Deutsch1, &QAction::toggled, Deutsch1, [this](bool checked) {
        if (!checked) {
            Deutsch1->setChecked(true);
        }
    });
    Englisch1->setEnabled(false);
    connect(Schnittstelle1, &QAction::triggered, this, &TForm1::Schnittstelle1Click);

    Hilfe1 = menuBar()->addMenu(QStringLiteral("Hilfe"));
    Verwenden1 = Hilfe1->addAction(QStringLiteral("Verwenden"));
    Verwenden1->setShortcut(QKeySequence(Qt::Key_F1));
    ber1 = Hilfe1->addAction(QStringLiteral("über"));
    connect(Verwenden1, &QAction::triggered, this, &TForm1::Verwenden1Click);
    connect(ber1, &QAction::triggered, this, &TForm1::ber1Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);

    const std::pair<QObject*, const char*> names[] = {
        {Optionen1, "Optionen1"},   {Schnittstelle1, "Schnittstelle1"},
        {Sprache1, "Sprache1"},     {Deutsch1, "Deutsch1"},
        {Englisch1, "Englisch1"},   {Hilfe1, "Hilfe1"},
        {Verwenden1, "Verwenden1"}, {ber1, "ber1"}};
    for (auto [object, name] : names) {
        object->setObjectName(QString::fromLatin1(name));
    }
}

void TForm1::Vestra1Click() {
    toolkit::bringToFront(Form2);
}

void TForm1::Melderverschmutzung1Click() {
    toolkit::bringToFront(Form3);
}

// Shows the one fault-description window; one that is already up only comes to the front.
void TForm1::Module1Click() {
    toolkit::bringToFront(Form4);
}

// The dialog writes confirmed settings into Serial1 itself; an open port keeps its line
// settings until the next "Verbinden".
void TForm1::Schnittstelle1Click() {
    SerExtDlg1->Execute();
}

void TForm1::Verwenden1Click() {
    toolkit::showHelpTopic(QStringLiteral("::korvel_tool.htm"));
}

void TForm1::BitBtn3Click() {
    toolkit::showHelpTopic(QStringLiteral("::steuerung_des_tarvik.htm"));
}

void TForm1::ber1Click() {
    toolkit::dialogs().message(this, aboutText(), QStringLiteral("Korvel-Tool"),
                               toolkit::Dialogs::Icon::Information);
}

} // namespace servicetool

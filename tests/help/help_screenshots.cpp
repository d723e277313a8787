// Renders the windows and menus that the help topics show into PNG files. Runs only when
// KORVEL_SHOTS_DIR names the help folder to write into (scripts/help-screenshots.sh sets it to
// the project's help/): pictures of korveltool go to HilfeKorvelTool/img, those of
// DruckKorvel to HilfeDruckKorvel/img.
#include "common/PtyPort.h"
#include "common/ScriptedDialogs.h"
#include "printcapture/TForm1.h"
#include "serial/qt/SerAddons.h"
#include "serial/qt/SettingsDialogDriver.h"
#include "servicetool/decoders/TForm2.h"
#include "servicetool/decoders/TForm3.h"
#include "servicetool/faultviewer/TForm4.h"
#include "servicetool/session/DiagnoseWindows.h"
#include "servicetool/session/TForm1.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

const QString kToolImages = QStringLiteral("HilfeKorvelTool/img");
const QString kCaptureImages = QStringLiteral("HilfeDruckKorvel/img");

QString shotsDir() {
    return qEnvironmentVariable("KORVEL_SHOTS_DIR");
}

bool savePixmap(const QPixmap& pixmap, const QString& folder, const QString& name) {
    const QDir dir(QDir(shotsDir()).filePath(folder));
    // A palette of at most 256 colours keeps the pictures small; window pictures need no more.
    const QImage image =
        pixmap.toImage().convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    return QDir().mkpath(dir.path()) && image.save(dir.filePath(name));
}

bool save(QWidget& widget, const QString& folder, const QString& name) {
    QApplication::processEvents();
    return savePixmap(widget.grab(), folder, name);
}

// Opens the serial settings dialog through `open` and keeps a picture of it as
// einstellungen.png; the dialog is left with "Abbrechen".
bool saveSettingsDialog(const QString& folder, const std::function<void()>& open) {
    bool saved = false;
    auto ran = testsupport::onNextSettingsDialog([&](TFormCOMSetup& f) {
        saved = save(f, folder, QStringLiteral("einstellungen.png"));
        f.ButtonAbort->click();
    });
    open();
    return *ran && saved;
}

void settle(int ms = 50) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
}

// A menu as it drops down below its title: the window's menu bar above the open menu. A
// submenu, when given, is drawn open beside its item.
QPixmap openMenu(QMainWindow& window, QMenu* menu, QMenu* submenu = nullptr) {
    const QPixmap bar = window.menuBar()->grab();
    const QRect title = window.menuBar()->actionGeometry(menu->menuAction());
    menu->popup(window.mapToGlobal(QPoint(0, 0)));
    settle();
    const QPixmap dropped = menu->grab();
    QPixmap sub;
    QRect subItem;
    if (submenu) {
        subItem = menu->actionGeometry(submenu->menuAction());
        submenu->popup(QPoint(0, 0));
        settle();
        sub = submenu->grab();
        submenu->hide();
    }
    menu->hide();
    const QList<QAction*> titles = window.menuBar()->actions();
    const int barUsed = window.menuBar()->actionGeometry(titles.last()).right() + 8;
    const int width =
        std::max(barUsed, title.left() + dropped.width() + (sub.isNull() ? 0 : sub.width() + 8));
    const int height =
        std::max(bar.height() + dropped.height(), bar.height() + subItem.top() + sub.height());
    QPixmap out(width, height);
    out.fill(window.palette().color(QPalette::Window));
    QPainter p(&out);
    p.drawPixmap(0, 0, bar);
    p.drawPixmap(title.left(), bar.height(), dropped);
    if (!sub.isNull()) {
        p.drawPixmap(title.left() + dropped.width() - 2, bar.height() + subItem.top(), sub);
    }
    return out;
}

// The test's own ports: COM1..COM9 absent unless published here, and a registry of its own.
struct OwnPorts {
    testsupport::PortFolder folder;
    std::unique_ptr<TCOMManager> registry;
    TCOMManager* previous = nullptr;
    OwnPorts() {
        for (int n = 1; n <= 9; ++n) {
            folder.hide(n);
        }
    }
    void start() {
        registry = std::make_unique<TCOMManager>();
        registry->ScanPorts(9);
        previous = installCOMManager(registry.get());
    }
    ~OwnPorts() { installCOMManager(previous); }
};

// Writes at the far end and lets the bytes reach the program's receive queue.
void send(testsupport::PtyPort& port, const std::string& bytes) {
    ASSERT_TRUE(port.write(bytes));
    settle(60);
}

class HelpScreenshots : public ::testing::Test {
protected:
    void SetUp() override {
        if (shotsDir().isEmpty()) {
            GTEST_SKIP() << "KORVEL_SHOTS_DIR not set";
        }
    }
    testsupport::ScriptedDialogs dialogs;
};

} // namespace

TEST_F(HelpScreenshots, KorvelToolMainWindowMenusAndSettings) {
    OwnPorts ports;
    testsupport::PtyPort com1(ports.folder, 1), com3(ports.folder, 3);
    ports.start();
    {
        QTemporaryDir recordings; // the program folder: the session recording goes there
        servicetool::TForm1 form(nullptr, recordings.path() + QLatin1Char('/'));
        form.show();
        EXPECT_TRUE(save(form, kToolImages, QStringLiteral("hauptfenster_start.png")));
        // A session of the newer controller software up to the service menu's answer.
        form.BitBtn1Click();
        ASSERT_TRUE(form.Serial1.Active());
        send(com1, "\r\n\r\nKorvel CPU-7 boot loader 2.41\r\nchecking RAM ........ 64 MB ok\r\n"
                   "checking flash ...... ok\r\nbus modules: 4 found\r\n");
        form.Timer1Timer();
        send(com1, "\r\npress m within 3 s to start the listener");
        form.Timer1Timer();
        send(com1, " m\r\nservice mode active\r\n\r\nservice menu\r\n  d  load defaults\r\n"
                   "  n  start trace recording\r\n  f  stop trace recording\r\n"
                   "enter the letter of your choice 10 times");
        form.Timer1Timer();
        EXPECT_TRUE(save(form, kToolImages, QStringLiteral("hauptfenster_sitzung.png")));
        form.BitBtn2Click();

        EXPECT_TRUE(
            savePixmap(openMenu(form, form.Datei1), kToolImages, QStringLiteral("menu_datei.png")));
        EXPECT_TRUE(savePixmap(openMenu(form, form.Diagnose1), kToolImages,
                               QStringLiteral("menu_diagnose.png")));
        EXPECT_TRUE(savePixmap(openMenu(form, form.Optionen1, form.Sprache1), kToolImages,
                               QStringLiteral("menu_optionen.png")));
        EXPECT_TRUE(
            savePixmap(openMenu(form, form.Hilfe1), kToolImages, QStringLiteral("menu_hilfe.png")));

        EXPECT_TRUE(saveSettingsDialog(kToolImages, [&] { form.Schnittstelle1Click(); }));
    }
}

TEST_F(HelpScreenshots, KorvelToolDiagnoseWindows) {
    servicetool::TForm1 form1;
    servicetool::createDiagnoseWindows(form1);
    servicetool::TForm2& form2 = *form1.Form2;
    form2.show();
    ASSERT_TRUE(dialogs.messages().isEmpty()) << "demo data missing beside the program";
    form2.ComboBox1->setCurrentIndex(0);
    emit form2.ComboBox1->activated(0);
    form2.ComboBox2->setCurrentIndex(1);
    emit form2.ComboBox2->activated(1);
    form2.Edit1->setText(QStringLiteral("a5"));
    form2.BitBtn2Click();
    EXPECT_TRUE(save(form2, kToolImages, QStringLiteral("vestra.png")));

    servicetool::TForm3& form3 = *form1.Form3;
    form3.show();
    form3.ComboBox1->setCurrentIndex(0);
    emit form3.ComboBox1->activated(0);
    form3.Edit1->setText(QStringLiteral("12"));
    form3.BitBtn2Click();
    EXPECT_TRUE(save(form3, kToolImages, QStringLiteral("fumeo.png")));

    form1.Module1Click();
    settle();
    EXPECT_TRUE(save(*form1.Form4, kToolImages, QStringLiteral("fehlermeldungen.png")));
}

TEST_F(HelpScreenshots, DruckKorvelCapture) {
    OwnPorts ports;
    testsupport::PtyPort com1(ports.folder, 1);
    ports.start();
    QTemporaryDir recordings; // the program folder: the recording file goes there
    printcapture::TForm1 form(nullptr, recordings.path() + QLatin1Char('/'));
    // Wider than the program's first start, so the printed lines are seen whole.
    form.resize(560, form.height());
    form.show();
    form.Start1Click();
    ASSERT_TRUE(form.Serial1.Active());
    // The panel ends a printed line with LF CR and prints its umlauts in code page 437.
    send(com1, "08.12.26 09:14:03  BRAND       Melder 012/03\n\r"
               "    Gruppe 12  Erdgeschoss Flur K\x81"
               "che\n\r"
               "08.12.26 09:15:40  ST\x99RUNG     Ringleitung 2\n\r"
               "    Kurzschluss zwischen Element 17 und 18\n\r"
               "08.12.26 09:21:12  R\x9A"
               "CKSTELLUNG  Zentrale\n\r");
    for (int i = 0; i < 6; ++i) {
        form.Timer1Timer();
    }
    EXPECT_TRUE(save(form, kCaptureImages, QStringLiteral("druckkorvel.png")));
    form.Stop1Click();
    EXPECT_TRUE(save(form, kCaptureImages, QStringLiteral("druckkorvel_gestoppt.png")));

    // The settings dialog on the capture program's own port settings.
    TSerExtDlg dialog(&form);
    dialog.setSerial(&form.Serial1);
    dialog.setPositionDlg(TPosition::poMainFormCenter);
    EXPECT_TRUE(saveSettingsDialog(kCaptureImages, [&] { dialog.Execute(); }));
    // Every menu of the bar, named after its title ("menu_datei.png").
    for (QAction* title : form.menuBar()->actions()) {
        if (QMenu* menu = title->menu()) {
            const QString name = title->text().remove(QLatin1Char('&')).toLower();
            EXPECT_TRUE(savePixmap(openMenu(form, menu), kCaptureImages,
                                   QStringLiteral("menu_%1.png").arg(name)));
        }
    }
}

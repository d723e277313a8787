// Pictures of the customer window and of the export's boxes for a person to look at; runs only
// when KORVEL_SHOTS names a folder. The boxes are the real ones, answered by clicking them.
#include "printcapture/TForm1.h"
#include "printcapture/TForm3.h"
#include "toolkit/Dialogs.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The Qt boxes, with the file dialogs answered by a fixed name.
class RealBoxes : public toolkit::Dialogs {
public:
    RealBoxes(Dialogs& qt, QString file) : m_qt(qt), m_file(std::move(file)) {}
    void message(QWidget* p, const QString& t, const QString& c, Icon i) override {
        m_qt.message(p, t, c, i);
    }
    bool confirm(QWidget* p, const QString& t, const QString& c) override {
        return m_qt.confirm(p, t, c);
    }
    Answer ask(QWidget* p, const QString& t, const QString& c) override {
        return m_qt.ask(p, t, c);
    }
    std::optional<QString> input(QWidget* p, const QString& c, const QString& pr,
                                 const QString& v) override {
        return m_qt.input(p, c, pr, v);
    }
    std::optional<QString> saveFileName(QWidget*, const toolkit::FileDialogOptions&) override {
        return m_file;
    }
    std::optional<QString> openFileName(QWidget*, const toolkit::FileDialogOptions&) override {
        return m_file;
    }
    void beep() override {}

private:
    Dialogs& m_qt;
    QString m_file;
};

} // namespace

TEST(CaptureScreenshots, CustomerWindowAndTheExportBoxes) {
    const QString dir = capturetest::shotsFolder(); // German standard buttons, as the program's
    if (dir.isEmpty()) {
        GTEST_SKIP() << "KORVEL_SHOTS not set";
    }
    auto save = [&](QWidget* w, const char* name) {
        QApplication::processEvents();
        EXPECT_TRUE(w->grab().save(QDir(dir).filePath(QString::fromLatin1(name))));
    };
    QTemporaryDir tmp;
    printcapture::TForm1 f(nullptr, tmp.path() + QLatin1Char('/'));
    f.show();
    f.createCustomerWindow();
    printcapture::TForm3& w = *f.Form3;
    w.setData({QStringLiteral("Müller & Söhne GmbH"), QStringLiteral("BMA Halle 3, Zentrale 2"),
               QStringLiteral("07.04.2014"), QStringLiteral("J. Weiß"),
               QStringLiteral("Melder 12 in Gruppe 4 getauscht.\nWartung Ende März.")});
    w.show();
    save(&w, "customer_hidden.png");
    w.CheckBox1->click();
    save(&w, "customer_shown.png");
    w.hide();

    toolkit::Dialogs& qt = toolkit::dialogs();
    RealBoxes boxes(qt, tmp.filePath(QStringLiteral("Mitschnitt Halle 3.rtf")));
    toolkit::setDialogs(&boxes);
    // Each step grabs the modal window in front and answers it.
    int step = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            save(box, step == 0 ? "export_question.png" : "export_done.png");
            box->button(step == 0 ? QMessageBox::Yes : QMessageBox::Ok)->click();
        } else if (modal == &w) {
            save(&w, "customer_modal.png");
            w.BitBtn3->click();
        }
        ++step;
    });
    timer.start(200);
    f.alsMitschnittimrtf1Click();
    timer.stop();
    toolkit::setDialogs(nullptr);
    EXPECT_EQ(step, 3);
}

#include "serial/qt/SettingsDialogDriver.h"

#include "serial/qt/SerAddons.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace testsupport {

namespace {

constexpr int kPollMs = 20;

TFormCOMSetup* visibleSettingsWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* form = qobject_cast<TFormCOMSetup*>(w); form && form->isVisible()) {
            return form;
        }
    }
    return nullptr;
}

void select(QComboBox* box, const QString& text) {
    if (!text.isEmpty()) {
        box->setCurrentIndex(box->findText(text));
    }
}

} // namespace

std::shared_ptr<bool> onNextSettingsDialog(SettingsDialogAction action, int timeoutMs) {
    auto ran = std::make_shared<bool>(false);
    auto* timer = new QTimer(qApp);
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [=]() {
        *waited += kPollMs;
        TFormCOMSetup* form = visibleSettingsWindow();
        if (!form) {
            if (*waited > timeoutMs) {
                timer->deleteLater();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        QPointer<TFormCOMSetup> guard(form);
        action(*form);
        *ran = true;
        QTimer::singleShot(timeoutMs, qApp, [guard]() {
            if (guard && guard->isVisible()) {
                guard->ButtonAbort->click();
            }
        });
    });
    timer->start(kPollMs);
    return ran;
}

SettingsDialogAction confirmWith(const QString& port, const QString& baud) {
    return [port, baud](TFormCOMSetup& form) {
        select(form.ComboBoxPort, port);
        select(form.ComboBoxBaudrate, baud);
        form.ButtonOk->click();
    };
}

SettingsDialogAction pressOk() {
    return [](TFormCOMSetup& form) { form.ButtonOk->click(); };
}

SettingsDialogAction pressAbbrechen() {
    return [](TFormCOMSetup& form) { form.ButtonAbort->click(); };
}

SettingsDialogView readSettingsDialog(const TFormCOMSetup& form) {
    SettingsDialogView v;
    v.port = form.ComboBoxPort->currentText();
    v.baud = form.ComboBoxBaudrate->currentText();
    v.dataBits = form.ComboBoxDatabit->currentText();
    v.parity = form.ComboBoxParity->currentText();
    v.stopBits = form.ComboBoxStop->currentText();
    v.rtsCts = form.CheckBoxRTSCTS->isChecked();
    v.dtrDsr = form.CheckBoxDTRDSR->isChecked();
    v.xonXoff = form.CheckBoxSoft->isChecked();
    v.receiveBuffer = form.EditBufR->text();
    v.transmitBuffer = form.EditBufT->text();
    for (int i = 0; i < form.ComboBoxPort->count(); ++i) {
        v.ports << form.ComboBoxPort->itemText(i);
    }
    return v;
}

SettingsDialogAction recordThen(SettingsDialogView& shown, SettingsDialogAction then) {
    return [&shown, then](TFormCOMSetup& form) {
        shown = readSettingsDialog(form);
        then(form);
    };
}

} // namespace testsupport

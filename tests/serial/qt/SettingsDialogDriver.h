#pragma once
// Drives the modal settings window "Einstellungen" from a test: an action is scheduled before
// the code under test opens the window (TSerExtDlg::Execute, a menu item) and runs once the
// window is up, inside its modal loop.
//
//   auto ran = testsupport::onNextSettingsDialog(testsupport::confirmWith("COM3", "9600"));
//   form.Schnittstelle1Click();            // returns when the action pressed "&Ok"
//   EXPECT_TRUE(*ran);
//
// The watch ends after timeoutMs without a window. A window still open timeoutMs after the
// action ran is closed with "&Abbrechen", so a faulty test fails instead of hanging.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class TFormCOMSetup;

namespace testsupport {

using SettingsDialogAction = std::function<void(TFormCOMSetup&)>;

// Runs action on the next visible TFormCOMSetup. The flag turns true once it ran.
std::shared_ptr<bool> onNextSettingsDialog(SettingsDialogAction action, int timeoutMs = 10000);

// Ready-made actions. An empty port or baud text leaves that list as the window showed it;
// a text the list does not hold selects nothing there.
SettingsDialogAction confirmWith(const QString& port = {}, const QString& baud = {});
SettingsDialogAction pressOk();
SettingsDialogAction pressAbbrechen();

// What the window shows, as a person reads it.
struct SettingsDialogView {
    QString port, baud, dataBits, parity, stopBits;
    bool rtsCts = false, dtrDsr = false, xonXoff = false;
    QString receiveBuffer, transmitBuffer;
    QStringList ports;
};
SettingsDialogView readSettingsDialog(const TFormCOMSetup& form);

// Stores what the window showed when it came up, then runs `then` (which closes it).
SettingsDialogAction recordThen(SettingsDialogView& shown, SettingsDialogAction then);

} // namespace testsupport

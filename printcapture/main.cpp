// DruckKorvel: records what the fire-alarm panel prints on its serial printer port.
#include "TForm1.h"
#include "serial/Serial.h"
#include "toolkit/Application.h"
#include "toolkit/DeviceChangeNotifier.h"
#include "toolkit/HelpLauncher.h"
#include "toolkit/SerialDispatcher.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    toolkit::installSerialDispatcher(); // line events of a component may be handled here
    // Standard buttons read "Ja", "Nein", "Abbrechen".
    toolkit::setUpApplication(QStringLiteral("DruckKorvel"), QStringLiteral("DruckKorvel"));

    // The port registry exists before any window, as the serial module's start-up makes it.
    COMManager();
    toolkit::setHelpFile(QStringLiteral("HilfeDruckKorvel.chm"));
    printcapture::TForm1 form;
    // The window's start-up step ran while only COM1 to COM4 were known, so a stored port
    // above 4 was not restored.
    COMManager().ScanPorts(8);
    // The customer-information window, hidden until the menu or an export shows it.
    form.createCustomerWindow();
    // Ports that come and go reach the registry through the main window's hook chain.
    new toolkit::DeviceChangeNotifier(&form);
    // The main window's end is the program's end, also while another window is open.
    QObject::connect(&form, &printcapture::TForm1::programEnds, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    return QApplication::exec();
}

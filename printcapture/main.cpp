// DruckKorvel: records what the fire-alarm panel prints on its serial printer port.
#include "StartUp.h"
#include "TForm1.h"
#include "serial/qt/SerialDispatcher.h"
#include "toolkit/Application.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    serialqt::installSerialDispatcher(); // line events of a component may be handled here
    // Standard buttons read "Ja", "Nein", "Abbrechen".
    toolkit::setUpApplication(QStringLiteral("DruckKorvel"), QStringLiteral("DruckKorvel"));

    std::unique_ptr<printcapture::TForm1> form1 = printcapture::startDruckKorvel();
    form1->show();
    return QApplication::exec();
}

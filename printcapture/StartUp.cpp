#include "StartUp.h"

#include "TForm1.h"
#include "serial/Serial.h"
#include "serial/qt/DeviceChangeNotifier.h"
#include "toolkit/HelpLauncher.h"

#include <QCoreApplication>

namespace printcapture {

std::unique_ptr<TForm1> startDruckKorvel(const QString& programFolder) {
    // The registry exists before any window, as the serial module's start-up makes it.
    COMManager();
    toolkit::setHelpFile(QStringLiteral("HilfeDruckKorvel.chm"));
    auto form1 = std::make_unique<TForm1>(nullptr, programFolder);
    COMManager().ScanPorts(8);
    form1->createCustomerWindow();
    new serialqt::DeviceChangeNotifier(form1.get());
    // Queued: the window finishes its close before the loop ends.
    QObject::connect(form1.get(), &TForm1::programEnds, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
    return form1;
}

} // namespace printcapture

// korveltool: the service session at the panel controller plus the offline diagnose windows.

#include "serial/qt/SerialDispatcher.h"
#include "servicetool/session/StartUp.h"
#include "servicetool/session/TForm1.h"
#include "toolkit/Application.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    serialqt::installSerialDispatcher(); // line events of a component may be handled here
    // Standard buttons and dialogs read "Ja", "Nein", "Abbrechen".
    toolkit::setUpApplication(QStringLiteral("korveltool"), QStringLiteral("Korvel-Tool"));

    // Closing the main window ends the program.
    std::unique_ptr<servicetool::TForm1> form1 = servicetool::startKorvelTool();
    form1->show();
    return app.exec();
}

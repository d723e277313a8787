// korveltool: the service session at the panel controller plus the offline diagnose windows.

#include "DiagnoseWindows.h"
#include "MainForm.h"
#include "serial/Serial.h"
#include "toolkit/DeviceChangeNotifier.h"
#include "toolkit/HelpLauncher.h"
#include "toolkit/SerialDispatcher.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// Standard buttons and dialogs read "Ja", "Nein", "Abbrechen".
void loadGermanQtTranslation(QApplication& app, QTranslator& translator) {
    if (translator.load(QStringLiteral("qtbase_de"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(&translator);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    toolkit::installSerialDispatcher(); // line events of a component may be handled here
    QApplication::setApplicationName(QStringLiteral("korveltool"));
    QApplication::setApplicationDisplayName(QStringLiteral("Korvel-Tool"));
    QTranslator translator;
    loadGermanQtTranslation(app, translator);

    // The registry probed COM1 to COM4 at start; the main window's port is chosen among
    // COM1 to COM9, so the probe is extended before any window exists.
    COMManager().ScanPorts(9);
    toolkit::setHelpFile(QStringLiteral("HilfeKorvelTool.chm"));

    // The windows, in their creation order. The main window comes first; closing it ends the
    // program. The diagnose windows follow, created hidden.
    servicetool::TForm1 form1;
    servicetool::createDiagnoseWindows(form1);
    // Ports that come and go reach the registry through the main window's hook chain.
    new toolkit::DeviceChangeNotifier(&form1);

    form1.show();
    return app.exec();
}

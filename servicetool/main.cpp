// korveltool: the service session at the panel controller plus the offline diagnose windows.

#include "MainForm.h"
#include "StartUp.h"
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

    // Closing the main window ends the program.
    std::unique_ptr<servicetool::TForm1> form1 = servicetool::startKorvelTool();
    form1->show();
    return app.exec();
}

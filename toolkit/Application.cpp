#include "Application.h"

#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace toolkit {

namespace {

QString& title() {
    static QString text;
    return text;
}

} // namespace

void setUpApplication(const QString& name, const QString& programTitle) {
    QCoreApplication::setApplicationName(name);
    title() = programTitle;
    loadGermanQtTranslation();
}

QString programTitle() {
    return title().isEmpty() ? QCoreApplication::applicationName() : title();
}

bool loadGermanQtTranslation() {
    // Null again when the application that owned it is gone.
    static QPointer<QTranslator> installed;
    if (!installed.isNull()) {
        return true;
    }
    // Owned by the application, so it lives as long as the texts it translates.
    auto* translator = new QTranslator(QCoreApplication::instance());
    for (const QString& folder :
         {programFolder(), QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
        if (translator->load(QStringLiteral("qtbase_de"), folder) &&
            QCoreApplication::installTranslator(translator)) {
            installed = translator;
            return true;
        }
    }
    delete translator;
    return false;
}

} // namespace toolkit

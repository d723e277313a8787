#pragma once
// The application object, set up the same way by both programs before their first window.
//
// The application's display name is never set: Qt appends it to every window caption that does
// not already end with it ("Einstellungen — Korvel-Tool"), and the captions are the programs'
// own texts. The program's title lives here instead, for message boxes that name no caption.
//
// Qt's German translation makes the standard buttons and the file dialogs German ("Ja",
// "Abbrechen", "Speichern unter"). It is looked for beside the program first (on Windows
// qtbase_de.qm is delivered there), then in Qt's own translations folder. Without it the
// programs run on with Qt's English texts.

#include <QString>

namespace toolkit {

// Names the application ("korveltool"; used for nothing the user reads), keeps the title for
// message boxes ("Korvel-Tool") and installs the German Qt translation. Needs the
// application object.
void setUpApplication(const QString& name, const QString& title);

// The title given to setUpApplication; the application name before that.
QString programTitle();

// Installs Qt's German translation from the places above; false when none was found. The one
// loader for the programs and their tests: a second call keeps the translation installed by the
// first and installs no other.
bool loadGermanQtTranslation();

} // namespace toolkit

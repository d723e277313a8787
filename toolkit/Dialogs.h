#pragma once
// Message, confirmation and input boxes and the file dialogs, behind one interface: the programs
// use the Qt one, tests install a scripted one.

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace toolkit {

struct FileDialogOptions {
    QString title;
    QString filter; // "RichText [*.rtf]|*.rtf|Alle Files [*.*]|*.*" (pipe-separated pairs)
    QString defaultExtension; // without dot, added when the user typed none
    QString initialDir;
    QString fileName;
    bool confirmOverwrite = true;
};

class Dialogs {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Answer { Yes, No, Cancel };
    virtual ~Dialogs() = default;
    // Modal box with one OK button.
    virtual void message(QWidget* parent, const QString& text, const QString& caption = {},
                         Icon icon = Icon::None) = 0;
    // Modal box with Yes and No; true for Yes.
    virtual bool confirm(QWidget* parent, const QString& text, const QString& caption = {}) = 0;
    // Modal question with Yes, No and Cancel ("Ja", "Nein", "Abbrechen"); closing the box by
    // its close button or Escape is Cancel.
    virtual Answer ask(QWidget* parent, const QString& text, const QString& caption = {}) = 0;
    // Single-line input; nullopt when cancelled.
    virtual std::optional<QString> input(QWidget* parent, const QString& caption,
                                         const QString& prompt, const QString& value) = 0;
    virtual std::optional<QString> saveFileName(QWidget* parent,
                                                const FileDialogOptions& options) = 0;
    virtual std::optional<QString> openFileName(QWidget* parent,
                                                const FileDialogOptions& options) = 0;
    // The system's default beep.
    virtual void beep() = 0;
};

// The dialogs in force: the Qt ones unless a test installed others.
Dialogs& dialogs();
// Installs dialogs (tests); nullptr restores the Qt ones. Returns the previous.
Dialogs* setDialogs(Dialogs* d);

// The message for a file that cannot be written: "Datei <path> kann nicht erstellt werden",
// the path with the platform's separators, and ": <reason>" after it when a reason is given.
// Both programs word a failed write this way.
QString cannotWriteText(const QString& path, const QString& reason = {});

// Turns "Text [*.rtf]|*.rtf|Alle [*.*]|*.*" into Qt's "Text [*.rtf] (*.rtf);;Alle [*.*] (*.*)".
QString qtFilter(const QString& pipeFilter);

} // namespace toolkit

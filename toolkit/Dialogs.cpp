#include "Dialogs.h"

#include "Application.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace toolkit {

QString qtFilter(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

namespace {

QString captionOr(const QString& caption) {
    return caption.isEmpty() ? programTitle() : caption;
}

QMessageBox::Icon qtIcon(Dialogs::Icon icon) {
    switch (icon) {
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Error:
        return QMessageBox::Critical;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Adds the default extension when the chosen name has none; Qt's own suffix handling only
// works for Qt's non-native dialog.
QString withExtension(const QString& name, const QString& ext) {
    if (name.isEmpty() || ext.isEmpty() || !QFileInfo(name).suffix().isEmpty()) {
        return name;
    }
    return name + QLatin1Char('.') + ext;
}

class QtDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& text, const QString& caption, Icon icon) override {
        QMessageBox box(qtIcon(icon), captionOr(caption), text, QMessageBox::Ok, parent);
        box.exec();
    }

    bool confirm(QWidget* parent, const QString& text, const QString& caption) override {
        QMessageBox box(QMessageBox::Question, captionOr(caption), text,
                        QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    }

    Answer ask(QWidget* parent, const QString& text, const QString& caption) override {
        QMessageBox box(QMessageBox::Question, captionOr(caption), text,
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
        }
    }

    std::optional<QString> input(QWidget* parent, const QString& caption, const QString& prompt,
                                 const QString& value) override {
        bool ok = false;
        QString text =
            QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, value, &ok);
        if (!ok) {
            return std::nullopt;
        }
        return text;
    }

    std::optional<QString> saveFileName(QWidget* parent,
                                        const FileDialogOptions& options) override {
        QFileDialog dlg(parent, options.title, options.initialDir, qtFilter(options.filter));
        prepare(dlg, options);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        if (!options.confirmOverwrite) {
            dlg.setOption(QFileDialog::DontConfirmOverwrite);
        }
        return run(dlg, options);
    }

    std::optional<QString> openFileName(QWidget* parent,
                                        const FileDialogOptions& options) override {
        QFileDialog dlg(parent, options.title, options.initialDir, qtFilter(options.filter));
        prepare(dlg, options);
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::ExistingFile);
        return run(dlg, options);
    }

    void beep() override { QApplication::beep(); }

private:
    static void prepare(QFileDialog& dlg, const FileDialogOptions& options) {
        if (!options.defaultExtension.isEmpty()) {
            dlg.setDefaultSuffix(options.defaultExtension);
        }
        if (!options.fileName.isEmpty()) {
            dlg.selectFile(options.fileName);
        }
    }

    static std::optional<QString> run(QFileDialog& dlg, const FileDialogOptions& options) {
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return withExtension(dlg.selectedFiles().constFirst(), options.defaultExtension);
    }
};

QtDialogs& qtDialogs() {
    static QtDialogs instance;
    return instance;
}

Dialogs* g_current = nullptr;

} // namespace

Dialogs& dialogs() {
    return g_current ? *g_current : qtDialogs();
}

Dialogs* setDialogs(Dialogs* d) {
    Dialogs* previous = g_current;
    g_current = d;
    return previous;
}

QString cannotWriteText(const QString& path, const QString& reason) {
    QString text =
        QStringLiteral("Datei %1 kann nicht erstellt werden").arg(QDir::toNativeSeparators(path));
    if (!reason.isEmpty()) {
        text += QStringLiteral(": ") + reason;
    }
    return text;
}

} // namespace toolkit

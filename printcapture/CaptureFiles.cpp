#include "CaptureFiles.h"

#include "toolkit/TextFile.h"

#include <QDir>
#include <QFileInfo>

namespace printcapture {

bool isMarkerLine(std::string_view line) {
    return line.starts_with("0*");
}

LineStyle fileLineStyle(std::string_view line) {
    if (line.starts_with(' ')) {
        return LineStyle::Regular;
    }
    return isMarkerLine(line) ? LineStyle::Italic : LineStyle::Bold;
}

void ExportDocument::append(std::string win1252) {
    m_lines.push_back(
        {std::move(win1252), m_style == LineStyle::Bold, m_style == LineStyle::Italic});
}

std::string ExportDocument::rtf() const {
    return toolkit::rtfFromLines(m_lines, {QStringLiteral("Courier"), 12});
}

void appendCaptureLines(ExportDocument& document, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        document.setStyle(fileLineStyle(line));
        document.append(line);
        if (isMarkerLine(line)) {
            document.append(" ");
        }
    }
}

bool writeExport(const ExportDocument& document, const QString& path, QString* error) {
    return toolkit::writeFileAtomic(path, document.rtf(), error);
}

std::optional<std::string> readBoundedFile(const QString& path, qint64 limit, QString* message) {
    QString ignored;
    std::optional<std::string> bytes = toolkit::readAll(path, limit, &ignored);
    if (!bytes) {
        *message = QFileInfo(path).isFile() && QFileInfo(path).size() > limit
                       ? QStringLiteral("Datei %1 ist zu groß.").arg(path)
                       : cannotOpenMessage(path);
    }
    return bytes;
}

CaptureFile readCaptureFile(const QString& path) {
    CaptureFile file;
    const std::optional<std::string> bytes =
        readBoundedFile(path, kMaxCaptureFileBytes, &file.error);
    if (!bytes) {
        return file;
    }
    file.ok = true;
    file.lines = toolkit::splitLines(*bytes);
    return file;
}

bool writeCaptureFile(const QString& path, const std::vector<std::string>& lines, QString* error) {
    return toolkit::writeLines(path, lines, error);
}

void showFileError(QWidget* parent, const QString& text) {
    toolkit::dialogs().message(parent, text, {}, toolkit::Dialogs::Icon::Error);
}

QString cannotOpenMessage(const QString& path) {
    return QStringLiteral("Datei %1 kann nicht geöffnet werden")
        .arg(QDir::toNativeSeparators(path));
}

QString exportDoneMessage(const QString& path) {
    return QStringLiteral("Daten wurden in folgende Datei geschrieben:\r\" ") +
           QFileInfo(path).fileName() + QStringLiteral(" \"");
}

namespace {

toolkit::FileDialogOptions dialog(const QString& title, const QString& filter,
                                  const QString& extension, const QString& folder) {
    toolkit::FileDialogOptions o;
    o.title = title;
    o.filter = filter + QLatin1Char('|') + QStringLiteral("*.") + extension;
    o.defaultExtension = extension;
    o.initialDir = folder;
    o.confirmOverwrite = false;
    return o;
}

} // namespace

toolkit::FileDialogOptions saveTextDialog(const QString& folder) {
    return dialog(QStringLiteral("Anzeige speichern unter :"), QStringLiteral("Textdatei  [*.txt]"),
                  QStringLiteral("txt"), folder);
}

toolkit::FileDialogOptions openTextDialog(const QString& folder) {
    return dialog(QStringLiteral("Mitschnittdatei laden:"), QStringLiteral("Textdatei  [*.txt]"),
                  QStringLiteral("txt"), folder);
}

toolkit::FileDialogOptions exportDialog(const QString& folder) {
    return dialog(QStringLiteral("RTF-Datei speichern unter :"), QStringLiteral("RichText [*.rtf]"),
                  QStringLiteral("rtf"), folder);
}

} // namespace printcapture

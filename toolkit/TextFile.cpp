#include "TextFile.h"
#include "Dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace toolkit {

std::optional<std::string> readAll(const QString& path, qint64 maxBytes, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = QStringLiteral("Datei %1 kann nicht geöffnet werden.").arg(path);
        }
        return std::nullopt;
    }
    if (file.size() > maxBytes) {
        if (error) {
            *error = QStringLiteral("Datei %1 ist zu groß.").arg(path);
        }
        return std::nullopt;
    }
    QByteArray data = file.read(maxBytes + 1);
    if (data.size() > maxBytes || file.error() != QFile::NoError) {
        if (error) {
            *error = QStringLiteral("Datei %1 kann nicht gelesen werden.").arg(path);
        }
        return std::nullopt;
    }
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

ReadResult readLines(const QString& path, qint64 maxBytes) {
    ReadResult result;
    auto bytes = readAll(path, maxBytes, &result.error);
    if (!bytes) {
        return result;
    }
    result.ok = true;
    result.lines = splitLines(*bytes);
    return result;
}

bool writeFileAtomic(const QString& path, const std::string& bytes, QString* error) {
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        ok = file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
             static_cast<qint64>(bytes.size());
    }
    if (ok) {
        ok = file.commit();
    } else {
        file.cancelWriting();
    }
    if (!ok && error) {
        *error = cannotWriteText(QFileInfo(path).absoluteFilePath(), file.errorString());
    }
    return ok;
}

bool writeLines(const QString& path, const std::vector<std::string>& lines, QString* error) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return writeFileAtomic(path, bytes, error);
}

} // namespace toolkit

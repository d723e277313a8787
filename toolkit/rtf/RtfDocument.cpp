#include "toolkit/rtf/RtfDocument.h"

#include "toolkit/rtf/QtRtfSink.h"
#include "toolkit/rtf/RtfReader.h"

#include <QFile>
#include <QTextCursor>
#include <QTextDocument>

namespace toolkit::rtf {

void loadRtf(QTextDocument& document, std::string_view rtf) {
    bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    // One edit block for the whole load: the document then sorts out its frames (tables) once
    // at the end instead of after every table, which grows with the square of their number.
    QTextCursor block(&document);
    block.beginEditBlock();
    {
        QtRtfSink sink(document);
        readRtf(rtf, sink);
    }
    block.endEditBlock();
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
}

bool loadRtfFile(QTextDocument& document, const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2")
                         .arg(path, file.errorString());
        }
        return false;
    }
    if (file.size() > kMaxRtfFileBytes) {
        if (error) {
            *error = QStringLiteral("Die Datei %1 ist zu groß.").arg(path);
        }
        return false;
    }
    QByteArray bytes = file.readAll();
    loadRtf(document, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return true;
}

} // namespace toolkit::rtf

#include "common/RtfReadBack.h"

#include "common/RecordingSink.h"
#include "toolkit/Win1252.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace testsupport {

std::string RtfParagraph::text() const {
    std::string out;
    for (const RtfRun& r : runs) {
        out += r.text;
    }
    return out;
}

QColor RtfParagraph::colour() const {
    QColor found;
    for (const RtfRun& r : runs) {
        if (r.text.empty()) {
            continue;
        }
        if (found.isValid() && found != r.colour) {
            return {};
        }
        found = r.colour;
    }
    return found;
}

namespace {

QColor colourOf(toolkit::rtf::Rgb rgb) {
    if (rgb == toolkit::rtf::kAutoColour) {
        return {};
    }
    return QColor(int(rgb >> 16 & 0xFF), int(rgb >> 8 & 0xFF), int(rgb & 0xFF));
}

QString textOf(const RecordingSink& sink, std::size_t from, std::size_t to) {
    return QString::fromUtf16(sink.plain.data() + from, qsizetype(to - from));
}

// The paragraph from..to (its end excluded) with the runs that lie in it; runs never cross a
// paragraph's end.
RtfParagraph paragraphOf(const RecordingSink& sink, std::size_t from, std::size_t to,
                         std::deque<RecordedRun>::const_iterator& run) {
    RtfParagraph paragraph;
    paragraph.look.text = textOf(sink, from, to);
    for (; run != sink.runs.end() && run->start < to; ++run) {
        const std::size_t start = std::max(run->start, from);
        const std::size_t end = std::min(run->start + run->length, to);
        if (end <= start) {
            continue;
        }
        if (paragraph.runs.empty()) {
            paragraph.look.style = run->format.italic ? 'i' : run->format.bold ? 'b' : 'r';
            paragraph.look.halfPoints = run->format.halfPoints;
            paragraph.look.font = run->font;
        }
        paragraph.runs.push_back(
            {toolkit::toWin1252(textOf(sink, start, end)), colourOf(run->format.foreground)});
    }
    return paragraph;
}

} // namespace

RtfReadBack readBackRtf(const std::string& rtf) {
    RtfReadBack back;
    if (rtf.rfind("{\\rtf", 0) != 0) {
        back.error = "no {\\rtf header";
        return back;
    }
    const RecordingSink sink = recordRtf(rtf);
    if (!sink.ended) {
        back.error = "the reader did not reach the document's end";
        return back;
    }
    auto run = sink.runs.cbegin();
    std::size_t from = 0;
    for (std::size_t end = sink.plain.find(u'\n'); end != std::u16string::npos;
         from = end + 1, end = sink.plain.find(u'\n', from)) {
        back.paragraphs.push_back(paragraphOf(sink, from, end, run));
    }
    if (!sink.runs.empty()) {
        back.fontName = sink.runs.front().font;
    }
    back.ok = true;
    return back;
}

std::vector<ReadLine> readRtfLines(const std::string& rtf) {
    std::vector<ReadLine> lines;
    for (const RtfParagraph& p : readBackRtf(rtf).paragraphs) {
        lines.push_back(p.look);
    }
    return lines;
}

std::optional<QStringList> libreOfficeText(const QString& rtfPath) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        return std::nullopt;
    }
    QTemporaryDir out;
    QProcess p;
    // A profile of its own, so that a LibreOffice running elsewhere does not take the job.
    p.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + out.filePath("profile"),
                      QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                      QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("--outdir"),
                      out.path(), rtfPath});
    if (!p.waitForFinished(180000)) {
        p.kill();
        return QStringList{QStringLiteral("soffice did not finish")};
    }
    QFile txt(out.filePath(QFileInfo(rtfPath).completeBaseName() + QStringLiteral(".txt")));
    if (!txt.open(QIODevice::ReadOnly)) {
        return QStringList{QStringLiteral("soffice wrote nothing: ") + p.readAllStandardError()};
    }
    QString text = QString::fromUtf8(txt.readAll());
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast(); // the last line end, and empty paragraphs at the end
    }
    return lines;
}

} // namespace testsupport

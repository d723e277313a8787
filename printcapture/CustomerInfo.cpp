#include "CustomerInfo.h"

#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"

#include <array>

namespace printcapture {

namespace {

constexpr int kFileLinesRead = 4 + kHeaderNotesLines;

// The first `count` lines of the bytes, ended by CR LF, CR or LF; missing ones are empty.
// Stops at the last line wanted, so a huge file costs no more than its first lines.
std::vector<std::string> firstLines(const std::string& bytes, int count) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (static_cast<int>(lines.size()) < count && pos < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(pos));
            break;
        }
        lines.push_back(bytes.substr(pos, end - pos));
        pos =
            end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    }
    lines.resize(static_cast<std::size_t>(count));
    return lines;
}

} // namespace

std::vector<std::string> descriptionFileLines(const CustomerData& data) {
    std::vector<std::string> lines{toolkit::toWin1252(data.customer),
                                   toolkit::toWin1252(data.installation),
                                   toolkit::toWin1252(data.date), toolkit::toWin1252(data.author)};
    for (const QString& line : data.notes.split(QLatin1Char('\n'))) {
        lines.push_back(toolkit::toWin1252(line));
    }
    return lines;
}

CustomerData parseDescriptionFile(const std::string& bytes) {
    const std::vector<std::string> lines = firstLines(bytes, kFileLinesRead);
    CustomerData data;
    data.customer = toolkit::fromWin1252(lines[0]);
    data.installation = toolkit::fromWin1252(lines[1]);
    data.date = toolkit::fromWin1252(lines[2]);
    data.author = toolkit::fromWin1252(lines[3]);
    QStringList notes;
    for (int i = 4; i < kFileLinesRead; ++i) {
        notes << toolkit::fromWin1252(lines[static_cast<std::size_t>(i)]);
    }
    data.notes = notes.join(QLatin1Char('\n'));
    return data;
}

bool writeDescriptionFile(const QString& path, const CustomerData& data, QString* error) {
    return toolkit::writeLines(path, descriptionFileLines(data), error);
}

DescriptionFile readDescriptionFile(const QString& path) {
    DescriptionFile file;
    const std::optional<std::string> bytes =
        readBoundedFile(path, kMaxDescriptionBytes, &file.error);
    if (!bytes) {
        return file;
    }
    file.ok = true;
    file.data = parseDescriptionFile(*bytes);
    return file;
}

void writeCustomerHeader(ExportDocument& document, const CustomerData& data,
                         const QStringList& notesLines) {
    document.clear();
    document.setStyle(LineStyle::Bold);
    document.append(" ");
    for (const QString* field : {&data.customer, &data.installation, &data.date, &data.author}) {
        document.append(toolkit::toWin1252(*field));
    }
    document.append(" ");
    for (int i = 0; i < kHeaderNotesLines; ++i) {
        document.append(i < notesLines.size() ? toolkit::toWin1252(notesLines[i]) : std::string());
    }
    document.append(" ");
    document.append(" ");
    document.setStyle(LineStyle::Regular);
}

namespace {

toolkit::FileDialogOptions descriptionDialog(const QString& title, const QString& folder) {
    toolkit::FileDialogOptions o;
    o.title = title;
    o.filter = QStringLiteral("Beschreibung [*.bes]|*.bes");
    o.defaultExtension = QStringLiteral("bes");
    o.initialDir = folder;
    o.confirmOverwrite = false;
    return o;
}

} // namespace

toolkit::FileDialogOptions saveDescriptionDialog(const QString& folder) {
    return descriptionDialog(QStringLiteral("Beschreibungsdatei speichern"), folder);
}

toolkit::FileDialogOptions openDescriptionDialog(const QString& folder) {
    return descriptionDialog(QStringLiteral("Beschreibungsdatei auswählen"), folder);
}

} // namespace printcapture

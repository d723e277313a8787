#pragma once
// Customer information without widgets: the description file (".bes") that keeps one
// installation's data, the header that heads an export, and the interface through which the
// export reaches the customer window.
//
// A description file is 8-bit Windows-1252 text with CR LF after every line: customer,
// installation, date, author, then one line per line of the notes. Reading takes the first nine
// lines only (a missing line reads as empty), so the notes always come back as five lines. A
// file larger than kMaxDescriptionBytes is refused and nothing is changed: it cannot be one of
// ours, and its lines would not fit the fields anyway.

#include "CaptureFiles.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace printcapture {

constexpr int kHeaderNotesLines = 5;
constexpr qint64 kMaxDescriptionBytes = 1024 * 1024;

struct CustomerData {
    QString customer;
    QString installation;
    QString date;
    QString author;
    QString notes; // the notes box's text, lines separated by '\n'
    bool operator==(const CustomerData&) const = default;
};

// The file's lines; an empty notes text gives one empty line.
std::vector<std::string> descriptionFileLines(const CustomerData& data);
CustomerData parseDescriptionFile(const std::string& bytes);

bool writeDescriptionFile(const QString& path, const CustomerData& data, QString* error = nullptr);
struct DescriptionFile {
    bool ok = false;
    QString error; // the message for the user when !ok
    CustomerData data;
};
DescriptionFile readDescriptionFile(const QString& path);

// Writes the 13 bold header lines into the emptied document: a blank, the four fields, a
// blank, `notesLines` 1 to 5 (empty where fewer), two blanks. The document is regular after.
void writeCustomerHeader(ExportDocument& document, const CustomerData& data,
                         const QStringList& notesLines);

toolkit::FileDialogOptions saveDescriptionDialog(const QString& folder);
toolkit::FileDialogOptions openDescriptionDialog(const QString& folder);

// What the export needs of the customer window.
class CustomerPrompt {
public:
    enum class Result {
        Ok,            // "ok": the header is in the export document
        Cancelled,     // abort button or close box: the document is untouched
        AlreadyVisible // shown without blocking already; it cannot be shown modally now
    };
    virtual ~CustomerPrompt() = default;
    virtual void setUseCustomerInfo(bool use) = 0; // the check box
    virtual Result showModal() = 0;
};

inline constexpr char16_t kNotModalMessage[] =
    u"Aus einem sichtbaren Fenster kann kein modales gemacht werden";

} // namespace printcapture

#pragma once
// The capture's files without widgets: the line style rule that a reopened or exported capture
// follows, the text file, the export document and its rich-text form, and the texts and
// dialog settings of the three file commands.
//
// Text files are 8-bit Windows-1252 with CR LF after every line. The export document is a list
// of styled lines set in "Courier" 12 pt; the window writes it with writeExport(), which, like
// every write here, goes through a temporary file and a rename, so a failed write leaves the
// previous file as it was.

#include "CapturePipeline.h"
#include "toolkit/Dialogs.h"
#include "toolkit/RtfWriter.h"

#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace printcapture {

// Style of a line of a saved capture: a leading blank is regular, a recording marker ("0*") is
// italic, every other line, the empty one included, is bold. Unlike the live rule this looks at
// every line, whatever its length.
LineStyle fileLineStyle(std::string_view line);

bool isMarkerLine(std::string_view line);

// The rich text the export is built in, line by line. The current style stays until it is set
// again, as in the display.
class ExportDocument {
public:
    void clear() { m_lines.clear(); }
    void setStyle(LineStyle style) { m_style = style; }
    LineStyle style() const { return m_style; }
    void append(std::string win1252);
    const std::vector<toolkit::RtfLine>& lines() const { return m_lines; }
    std::string rtf() const;

private:
    std::vector<toolkit::RtfLine> m_lines;
    LineStyle m_style = LineStyle::Regular;
};

// Appends the display lines, each styled by fileLineStyle(); a marker is followed by a line of
// one blank in the marker's italic.
void appendCaptureLines(ExportDocument& document, const std::vector<std::string>& lines);

// Writes the document as RTF; false with the error text when it could not be written.
bool writeExport(const ExportDocument& document, const QString& path, QString* error = nullptr);

// Reads a whole file of at most `limit` bytes. Otherwise nullopt, and `message` gets the text for
// the user: the file is too large, or it cannot be opened.
std::optional<std::string> readBoundedFile(const QString& path, qint64 limit, QString* message);

// Reads a capture text file. A file larger than kMaxCaptureFileBytes is refused: a capture that
// the program wrote is far smaller, and the display could not hold it anyway.
constexpr qint64 kMaxCaptureFileBytes = 16LL * 1024 * 1024;
struct CaptureFile {
    bool ok = false;
    QString error; // the message for the user when !ok
    std::vector<std::string> lines;
};
CaptureFile readCaptureFile(const QString& path);

// Writes the lines, each followed by CR LF, replacing the file.
bool writeCaptureFile(const QString& path, const std::vector<std::string>& lines,
                      QString* error = nullptr);

// Shows a file's failure in the modal error box with the OK button.
void showFileError(QWidget* parent, const QString& text);

// The messages the file commands show; a file that cannot be written is reported with
// toolkit::cannotWriteText().
QString cannotOpenMessage(const QString& path);
QString exportDoneMessage(const QString& path); // names the file without its folder
inline constexpr char16_t kExportFailedMessage[] = u"Fehler beim Schreiben der Datei!";
inline constexpr char16_t kCustomerQuestion[] = u"Kundendaten mit darstellen ?";

// The dialogs of "Speichern unter", "Öffnen" and the export; all open in `folder` (the customer
// folder) and replace a file without asking.
toolkit::FileDialogOptions saveTextDialog(const QString& folder);
toolkit::FileDialogOptions openTextDialog(const QString& folder);
toolkit::FileDialogOptions exportDialog(const QString& folder);

} // namespace printcapture

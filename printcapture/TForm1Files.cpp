// The capture window's file commands: save as text, open a text file, export as rich text with
// an optional customer header, and the customer-information window.
#include "CaptureExport.h"
#include "TForm1.h"
#include "TForm3.h"
#include "toolkit/Dialogs.h"
#include "toolkit/LineView.h"
#include "toolkit/Win1252.h"
#include "toolkit/WindowFront.h"

#include <QTextBlock>

namespace printcapture {

void TForm1::createCustomerWindow() {
    if (Form3 == nullptr) {
        Form3 = new TForm3(this, ExportDocument1, AVerz);
    }
}

QString TForm1::customerFolder() const {
    return AVerz + QStringLiteral("Kunden");
}

std::vector<std::string> TForm1::displayLines() const {
    std::vector<std::string> lines;
    if (RichEdit1->lineCount() == 0) {
        return lines;
    }
    lines.reserve(static_cast<std::size_t>(RichEdit1->lineCount()));
    const QTextDocument* document = RichEdit1->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        lines.push_back(toolkit::toWin1252(block.text()));
    }
    return lines;
}

void TForm1::Speichern2Click() {
    const std::optional<QString> name =
        toolkit::dialogs().saveFileName(this, saveTextDialog(customerFolder()));
    if (!name) {
        return;
    }
    // The message names the file alone, without the system's reason.
    if (!writeCaptureFile(*name, displayLines())) {
        showFileError(this, toolkit::cannotWriteText(*name));
        return;
    }
    noteDisplayWritten();
}

// The file is read before the display is emptied, so a file that cannot be read leaves the
// capture on screen as it was.
void TForm1::ffnen1Click() {
    const std::optional<QString> name =
        toolkit::dialogs().openFileName(this, openTextDialog(customerFolder()));
    if (!name) {
        return;
    }
    const CaptureFile file = readCaptureFile(*name);
    if (!file.ok) {
        showFileError(this, file.error);
        return;
    }
    RichEdit1->clear();
    // One batch: the view lays the lines out once, not once per line.
    RichEdit1->beginBatch();
    for (const std::string& line : file.lines) {
        setCurrentStyle(fileLineStyle(line));
        appendLine(line);
    }
    RichEdit1->endBatch();
    RichEdit1->scrollToEnd();
}

void TForm1::alsMitschnittimrtf1Click() {
    createCustomerWindow();
    if (runExport({this, customerFolder(), displayLines()}, ExportDocument1, *Form3)) {
        noteDisplayWritten();
    }
}

void TForm1::PDF1Click() {
    createCustomerWindow();
    toolkit::bringToFront(Form3);
}

} // namespace printcapture

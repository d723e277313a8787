#pragma once
// The export command's course, without the window: the save dialog, the customer question, the
// customer window through CustomerPrompt, the document, the write and its message. Dialogs go
// through toolkit::dialogs(), so a test scripts every answer.

#include "CustomerInfo.h"

#include <QString>
#include <string>
#include <vector>

class QWidget;

namespace printcapture {

struct ExportRequest {
    QWidget* parent = nullptr;      // of the boxes
    QString folder;                 // the dialog's initial folder
    std::vector<std::string> lines; // the display, in order
};

// Runs the export into `document`, which it empties first (a header written by "ok" then
// heads it). Returns true when the file was written.
bool runExport(const ExportRequest& request, ExportDocument& document, CustomerPrompt& customer);

} // namespace printcapture

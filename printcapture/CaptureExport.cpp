#include "CaptureExport.h"

#include <QCursor>
#include <QGuiApplication>
#include <optional>

namespace printcapture {

namespace {

// The busy cursor for as long as the document is built and written.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { restore(); }
    void restore() {
        if (m_active) {
            QGuiApplication::restoreOverrideCursor();
            m_active = false;
        }
    }

private:
    bool m_active = true;
};

} // namespace

bool runExport(const ExportRequest& request, ExportDocument& document, CustomerPrompt& customer) {
    toolkit::Dialogs& boxes = toolkit::dialogs();
    const std::optional<QString> name =
        boxes.saveFileName(request.parent, exportDialog(request.folder));
    if (!name) {
        return false;
    }
    document.clear();
    document.setStyle(LineStyle::Regular);
    if (boxes.confirm(request.parent, QString::fromUtf16(kCustomerQuestion))) {
        customer.setUseCustomerInfo(true);
        if (customer.showModal() == CustomerPrompt::Result::AlreadyVisible) {
            boxes.message(request.parent, QString::fromUtf16(kNotModalMessage), {},
                          toolkit::Dialogs::Icon::Error);
            return false;
        }
    } else {
        customer.setUseCustomerInfo(false);
    }

    BusyCursor busy;
    appendCaptureLines(document, request.lines);
    QString error;
    const bool written = writeExport(document, *name, &error);
    busy.restore();
    if (written) {
        boxes.message(request.parent, exportDoneMessage(*name));
    } else {
        boxes.message(request.parent, QString::fromUtf16(kExportFailedMessage));
    }
    return written;
}

} // namespace printcapture

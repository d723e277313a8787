#pragma once
// The fault-description viewer: shows "fehler.rtf" from the program's folder read-only. Created
// hidden at start-up, brought up from the "Diagnose" menu, hidden again by Escape or its close
// box; the document is read once, when the window is created.

#include "toolkit/ProgramFolder.h"

#include <QMainWindow>
#include <string>
#include <vector>

class QGroupBox;
class QStatusBar;
class QTextEdit;
class QToolBar;

namespace servicetool {

class TForm4 : public QMainWindow {
    Q_OBJECT

public:
    // folder: where "fehler.rtf" is looked for (the program's folder; tests pass their own).
    explicit TForm4(QWidget* parent = nullptr, const QString& folder = toolkit::programFolder());

    QToolBar* ToolBar1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QTextEdit* RichEdit1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    // The entries shown in place of a missing document (Windows-1252, CR between lines).
    static std::vector<std::string> missingDocumentEntries();

public slots:
    void FormCreate();
    // Escape (27) hides the window and is consumed (key set to 0); other keys pass on.
    void FormKeyPress(char& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    void appendEntry(const std::string& text);
    bool previewKey(QKeyEvent* event);

    QString folder_;
    bool placed_ = false;
};

} // namespace servicetool

#pragma once
// The fault-description viewer: shows "fehler.rtf" from the program's folder read-only. Created
// hidden at start-up, brought up from the "Diagnose" menu, hidden again by Escape or its close
// box; the document is read once, when the window is created.

#include "toolkit/ProgramFolder.h"

#include <QMainWindow>
#include <QMargins>
#include <QTimer>
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

    // 692 x 602 is the window's outer size, frame included. The window system tells the frame
    // only once the window is up (under X11 after the window manager has framed it), so the
    // client area is fitted to each frame it reports. A frame already fitted to changes nothing,
    // so a size the user gave the window stays; no frame (none known yet) changes nothing either.
    // The window itself calls this; tests pass a frame of their own.
    void fitToFrame(const QMargins& frame);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    void probeFrame();
    void appendEntry(const std::string& text);
    bool previewKey(QKeyEvent* event);

    QString m_folder;
    bool m_placed = false;
    QMargins m_fittedFrame;
    QTimer m_frameProbe;
    int m_frameChecks = 0;
};

} // namespace servicetool

#include "servicetool/faultviewer/TForm4.h"

#include "toolkit/Dialogs.h"
#include "toolkit/Win1252.h"
#include "toolkit/rtf/RtfDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

namespace servicetool {

namespace {
// The file looked for is all lower case; the message names it with a capital F.
const char* const kDocumentName = "fehler.rtf";
constexpr QSize kOuterSize(692, 602);
// How often and how long the frame is looked for after showing: 50 ms for two seconds.
constexpr int kFrameProbeMs = 50;
constexpr int kFrameChecks = 40;
} // namespace

TForm4::TForm4(QWidget* parent, const QString& folder)
    : QMainWindow(parent, Qt::Tool), m_folder(folder) {
    buildLayout();
    FormCreate();
    m_frameProbe.setInterval(kFrameProbeMs);
    connect(&m_frameProbe, &QTimer::timeout, this, &TForm4::probeFrame);
}

void TForm4::buildLayout() {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("  Korvel-Tool [Diagnose Fehlermeldungen]"));
    resize(kOuterSize);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(17);
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    GroupBox1 = new QGroupBox(QStringLiteral(" Fehlermeldungen: "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    RichEdit1 = new QTextEdit(GroupBox1);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setUndoRedoEnabled(false);
    auto* layout = new QVBoxLayout(GroupBox1);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(RichEdit1);
    setCentralWidget(GroupBox1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(19);
    setStatusBar(StatusBar1);

    // Key preview: the window sees the keys before the view does.
    RichEdit1->installEventFilter(this);
    RichEdit1->viewport()->installEventFilter(this);
}

std::vector<std::string> TForm4::missingDocumentEntries() {
    return {"... ", "Keine Fehlerbeschreibung gefunden.\rDatei:  Fehler.rtf  fehlt!"};
}

void TForm4::FormCreate() {
    QString path = QDir(m_folder).filePath(QString::fromLatin1(kDocumentName));
    if (!QFileInfo(path).isFile()) {
        for (const std::string& entry : missingDocumentEntries()) {
            appendEntry(entry);
        }
        return;
    }
    // Build the document away from the view so the view lays it out once, not per paragraph.
    auto* document = new QTextDocument(RichEdit1);
    document->setDefaultFont(RichEdit1->font());
    QString error;
    if (!toolkit::rtf::loadRtfFile(*document, path, &error)) {
        delete document;
        toolkit::dialogs().message(this, error, QString(), toolkit::Dialogs::Icon::Error);
        return;
    }
    RichEdit1->setDocument(document);
    RichEdit1->moveCursor(QTextCursor::Start);
}

// One entry of the view; a CR inside it starts a new line, as the view shows it.
void TForm4::appendEntry(const std::string& text) {
    QTextDocument* document = RichEdit1->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    bool first = document->isEmpty();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        if (!first) {
            cursor.insertBlock();
        }
        first = false;
        cursor.insertText(toolkit::fromWin1252(line));
        if (end == std::string::npos) {
            break;
        }
        start =
            end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
}

void TForm4::FormKeyPress(char& key) {
    if (key == 27) {
        key = 0;
        hide();
    }
}

bool TForm4::previewKey(QKeyEvent* event) {
    char key = event->key() == Qt::Key_Escape ? char(27) : 0;
    if (!key) {
        QString text = event->text();
        if (text.size() != 1) {
            return false;
        }
        std::string bytes = toolkit::toWin1252(text);
        key = bytes.empty() ? 0 : bytes[0];
    }
    FormKeyPress(key);
    return key == 0;
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && previewKey(static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm4::keyPressEvent(QKeyEvent* event) {
    if (!previewKey(event)) {
        QMainWindow::keyPressEvent(event);
    }
}

// Placed centred on the main window the first time it comes up.
void TForm4::showEvent(QShowEvent* event) {
    if (!m_placed && parentWidget()) {
        QRect owner = parentWidget()->window()->frameGeometry();
        QRect own = frameGeometry();
        move(owner.center() - QPoint(own.width() / 2, own.height() / 2));
    }
    m_placed = true;
    QMainWindow::showEvent(event);
    m_frameChecks = 0;
    m_frameProbe.start();
    probeFrame();
}

bool TForm4::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    const QEvent::Type type = event->type();
    if (type == QEvent::Move || type == QEvent::Resize || type == QEvent::WindowActivate) {
        probeFrame();
    }
    return handled;
}

// A window manager frames the window some time after it is shown and tells no one, so the frame
// is looked at for a while after showing and whenever the window is moved, resized or activated.
void TForm4::probeFrame() {
    if (!isVisible() || !windowHandle()) {
        m_frameProbe.stop();
        return;
    }
    const QMargins frame = windowHandle()->frameMargins();
    fitToFrame(frame);
    if (!frame.isNull() || ++m_frameChecks >= kFrameChecks) {
        m_frameProbe.stop();
    }
}

void TForm4::fitToFrame(const QMargins& frame) {
    if (frame.isNull() || frame == m_fittedFrame) {
        return;
    }
    m_fittedFrame = frame;
    resize(kOuterSize - QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
}

} // namespace servicetool

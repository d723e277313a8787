#include "LineView.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace toolkit {

namespace {

// CR LF, a lone CR and a lone LF each start a new line of the entry.
QStringList splitEntry(const QString& text) {
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            parts << current;
            current.clear();
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
                ++i;
            }
        } else {
            current += c;
        }
    }
    parts << current;
    return parts;
}

} // namespace

LineView::LineView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(document(), &QTextDocument::contentsChange, this, [this](int, int, int) {
        if (!m_ownEdit) {
            m_blankLine = false;
        }
    });
}

void LineView::clear() {
    m_blankLine = false;
    QPlainTextEdit::clear();
}

qint64 LineView::characterCount() const {
    return document()->characterCount() - 1;
}

int LineView::lineCount() const {
    if (document()->isEmpty() && document()->blockCount() == 1) {
        return m_blankLine ? 1 : 0;
    }
    return document()->blockCount();
}

qint64 LineView::entrySize(const QString& text) const {
    qint64 size = text.size() + 1;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r') && text[i + 1] == QLatin1Char('\n')) {
            --size; // one line end, not two
        }
    }
    return lineCount() == 0 ? size - 1 : size;
}

int LineView::linesHolding(qint64 characters) const {
    int lines = 0;
    qint64 held = 0;
    for (QTextBlock b = document()->firstBlock(); b.isValid() && held < characters; b = b.next()) {
        held += b.length(); // the text and its line end
        ++lines;
    }
    return std::min(lines, lineCount());
}

void LineView::beginBatch() {
    if (m_batch.isNull()) {
        m_batch = QTextCursor(document());
    }
    m_batch.beginEditBlock();
}

// The document reports the batch's changes only now; they are the view's own appends, so a
// single empty line appended in the batch stays a line.
void LineView::endBatch() {
    m_ownEdit = true;
    m_batch.endEditBlock();
    m_ownEdit = false;
}

bool LineView::appendEntry(const QString& text, const QTextCharFormat& format) {
    if (m_failAppends) {
        return false;
    }
    const QStringList parts = splitEntry(text);
    const bool empty = lineCount() == 0;
    if (m_textLimit > 0 && characterCount() + entrySize(text) > m_textLimit) {
        return false;
    }
    QScrollBar* bar = verticalScrollBar();
    const bool followEnd = bar->value() == bar->maximum();

    QTextCursor cursor(document());
    m_ownEdit = true;
    // Inside the edit block a cursor that moves does not lay its block out to learn its x.
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    if (empty) {
        // An empty first line keeps its style in the block.
        cursor.setBlockCharFormat(format);
    }
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0 || !empty) {
            cursor.insertBlock(QTextBlockFormat(), format);
        }
        cursor.insertText(parts[i], format);
    }
    cursor.endEditBlock();
    m_ownEdit = false;
    m_blankLine = document()->isEmpty();
    if (followEnd) {
        bar->setValue(bar->maximum());
    }
    return true;
}

// The widget's own append removes the first line as a scroll: the lines in view stay laid out
// and only the new one is painted, where a removal of our own repaints every line in view. It
// takes the format of the widget's cursor, so it is used only while the user selects nothing
// (a format set on a selection would restyle the selected text) and for one line at a time.
bool LineView::appendReplacingOldest(const QString& text, const QTextCharFormat& format,
                                     int oldest) {
    const bool oneLine = !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'));
    const int lines = lineCount();
    if (m_failAppends || !oneLine || oldest <= 0 || oldest >= lines || document()->isEmpty() ||
        textCursor().hasSelection()) {
        deleteFirstLines(oldest);
        return appendEntry(text, format);
    }
    document()->setMaximumBlockCount(lines);
    setCurrentCharFormat(format);
    m_ownEdit = true;
    appendPlainText(text);
    m_ownEdit = false;
    document()->setMaximumBlockCount(0);
    deleteFirstLines(oldest - 1);
    return true;
}

void LineView::deleteFirstLines(int count) {
    if (count <= 0 || lineCount() == 0) {
        return;
    }
    if (count >= lineCount()) {
        clear();
        return;
    }
    removeOwn(0, document()->findBlockByNumber(count).position());
}

// Removes the characters from `from` to `to`; when one empty line remains, it is still a line.
// Inside the edit block a cursor that moves does not lay its block out to learn its x, which
// would cost a layout of the line after the removed ones at every removal.
void LineView::removeOwn(int from, int to) {
    QTextCursor cursor(document());
    m_ownEdit = true;
    cursor.beginEditBlock();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    m_ownEdit = false;
    m_blankLine = document()->isEmpty();
}

void LineView::deleteLastLine() {
    const int lines = lineCount();
    if (lines == 0) {
        return;
    }
    if (lines == 1) {
        clear();
        return;
    }
    removeOwn(document()->lastBlock().position() - 1, static_cast<int>(characterCount()));
}

void LineView::scrollToEnd() {
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    ensureCursorVisible();
}

} // namespace toolkit

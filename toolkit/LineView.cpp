#include "LineView.h"

#include "Win1252.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

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
}

qint64 LineView::characterCount() const {
    return document()->characterCount() - 1;
}

int LineView::lineCount() const {
    if (document()->isEmpty() && document()->blockCount() == 1) {
        return 0;
    }
    return document()->blockCount();
}

bool LineView::appendEntry(const QString& text, const QTextCharFormat& format) {
    if (m_failAppends) {
        return false;
    }
    const QStringList parts = splitEntry(text);
    const bool empty = lineCount() == 0;
    qint64 added = 0;
    for (const QString& p : parts) {
        added += p.size() + 1;
    }
    if (empty) {
        added -= 1;
    }
    if (m_textLimit > 0 && characterCount() + added > m_textLimit) {
        return false;
    }
    QScrollBar* bar = verticalScrollBar();
    const bool followEnd = bar->value() == bar->maximum();

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0 || !empty) {
            cursor.insertBlock(QTextBlockFormat(), format);
        }
        cursor.insertText(parts[i], format);
    }
    cursor.endEditBlock();
    if (followEnd) {
        bar->setValue(bar->maximum());
    }
    return true;
}

bool LineView::appendEntry8(std::string_view win1252, const QTextCharFormat& format) {
    return appendEntry(fromWin1252(win1252), format);
}

void LineView::deleteFirstLines(int count) {
    if (count <= 0 || lineCount() == 0) {
        return;
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::Start);
    if (count >= document()->blockCount()) {
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    } else {
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, count);
    }
    cursor.removeSelectedText();
}

void LineView::deleteLastLine() {
    const int lines = lineCount();
    if (lines == 0) {
        return;
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (lines == 1) {
        cursor.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
    } else {
        cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
        cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
}

void LineView::scrollToEnd() {
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    ensureCursorVisible();
}

} // namespace toolkit

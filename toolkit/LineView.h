#pragma once
// A read-only view of lines with a format per entry, for the printer capture (the service
// protocol is ProtocolView over LineStore). QPlainTextEdit with undo off and an explicit format on
// every insert; the text limit is enforced here because the widget has none.

#include <QPlainTextEdit>
#include <QTextCharFormat>
#include <QTextCursor>

namespace toolkit {

class LineView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LineView(QWidget* parent = nullptr);

    // Appends one entry as new line(s) with the given format; a CR or LF inside the entry starts
    // a new line of the same entry. Returns false (and appends nothing) when the text limit
    // would be exceeded or the insert fails.
    bool appendEntry(const QString& text, const QTextCharFormat& format);
    // Deletes the `oldest` first lines and appends `text` as an entry, without regard to the
    // text limit (the caller made the room); the view shows it as a scroll where it can.
    bool appendReplacingOldest(const QString& text, const QTextCharFormat& format, int oldest);

    // Maximum number of characters (line ends count one each); 0 = no limit.
    void setTextLimit(qint64 limit) { m_textLimit = limit; }
    qint64 textLimit() const { return m_textLimit; }
    qint64 characterCount() const;
    // Characters that appending `text` as an entry adds, its line ends included.
    qint64 entrySize(const QString& text) const;
    // How many of the oldest lines hold at least `characters` characters with their line ends;
    // all lines when together they hold fewer. Looks at no more lines than it counts.
    int linesHolding(qint64 characters) const;

    // Appends between these two are laid out once, at the end; nests like an edit block.
    void beginBatch();
    void endBatch();

    // Lines shown; 0 when empty. A single empty entry in an otherwise empty view is one line,
    // although the document then looks exactly like an empty one.
    int lineCount() const;
    void clear(); // hides QPlainTextEdit::clear so the count above starts again at 0
    void deleteFirstLines(int count); // removes the oldest lines
    void deleteLastLine();
    void scrollToEnd();

    // Test hook: makes the next appends fail as if the widget refused them.
    void setFailAppends(bool fail) { m_failAppends = fail; }

private:
    void removeOwn(int from, int to);

    qint64 m_textLimit = 0;
    // The document holds one empty line that was appended, not nothing. Any change made to the
    // document from outside the view's own append resets it.
    bool m_blankLine = false;
    bool m_ownEdit = false;
    bool m_failAppends = false;
    QTextCursor m_batch;
};

} // namespace toolkit

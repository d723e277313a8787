#pragma once
// A read-only view of a LineStore that lays out only the lines in sight, so it stays smooth
// with millions of lines. Text is drawn on a fixed-pitch grid, one cell per byte (a tab or
// other control byte shows as a blank cell; copying gives the byte itself); each run in its
// store colour. Selection with the mouse (Shift extends; held past an edge, the view scrolls
// on) and the keyboard (Ctrl+A), copy with Ctrl+C or the context menu. The view follows the
// end of the text while it is scrolled to the end.
//
// The view owns its store. Whoever writes to the store calls storeChanged() afterwards.

#include "LineStore.h"

#include <QAbstractScrollArea>
#include <QRawFont>
#include <QTimer>
#include <array>
#include <string>
#include <string_view>

namespace toolkit {

class ProtocolView : public QAbstractScrollArea {
    Q_OBJECT
public:
    struct Position {
        std::size_t line = 0;
        std::size_t column = 0; // byte within the line; may be its length
        auto operator<=>(const Position&) const = default;
    };

    explicit ProtocolView(QWidget* parent = nullptr);

    LineStore& store() { return m_store; }
    const LineStore& store() const { return m_store; }
    // Takes in what was written to the store: scroll ranges, following the end, repaint.
    void storeChanged();
    void clear();

    bool hasSelection() const { return m_anchor != m_cursor; }
    void setSelection(Position anchor, Position cursor);
    void selectAll();
    // The selected bytes, lines joined by LF as the store keeps them.
    std::string selectedText() const;
    // Puts the selection on the clipboard with the clipboard's line end: CR LF on Windows,
    // LF elsewhere.
    void copy() const;

    int firstVisibleLine() const;
    void scrollToLine(std::size_t line);
    void scrollToEnd();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void updateMetrics();
    void dragScrollStep();
    void updateScrollRanges();
    int visibleRows() const;
    Position positionAt(const QPoint& point) const;
    void paintLine(QPainter& painter, std::size_t line, int y, int firstColumn, int columns);
    void drawCells(QPainter& painter, QPoint at, std::string_view bytes) const;

    LineStore m_store;
    Position m_anchor;
    Position m_cursor;
    QTimer m_dragScroll; // scrolls while a selection is dragged past an edge
    QPoint m_dragAt;
    QFont m_gridFont;
    QRawFont m_rawFont;
    std::array<quint32, 256> m_glyphs{};
    std::size_t m_linesShown = 0; // lines the store held at the last storeChanged()
    int m_lineHeight = 1;
    int m_charWidth = 1;
};

} // namespace toolkit

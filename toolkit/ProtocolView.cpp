#include "ProtocolView.h"

#include "Win1252.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <limits>

namespace toolkit {

namespace {

constexpr int kMargin = 3;

QColor toColor(Rgb rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// One character per byte, so the text stays on the grid: control bytes show as blanks.
QChar cell(unsigned char byte) {
    const char16_t c = win1252ToUnicode(byte);
    return c < 0x20 || (c >= 0x7F && c < 0xA0) ? QChar(u' ') : QChar(c);
}

QString cells(std::string_view bytes) {
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out[static_cast<qsizetype>(i)] = cell(static_cast<unsigned char>(bytes[i]));
    }
    return out;
}

} // namespace

ProtocolView::ProtocolView(QWidget* parent) : QAbstractScrollArea(parent) {
    m_dragScroll.setInterval(50);
    connect(&m_dragScroll, &QTimer::timeout, this, &ProtocolView::dragScrollStep);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    updateMetrics();
}

int ProtocolView::visibleRows() const {
    return std::max(1, viewport()->height() / m_lineHeight);
}

int ProtocolView::firstVisibleLine() const {
    return verticalScrollBar()->value();
}

// The grid has whole pixels per cell; the drawing font is spaced to match it, so a long run
// of text does not drift off the grid where the selection or the colour changes.
void ProtocolView::updateMetrics() {
    const QFontMetricsF metrics(font());
    const qreal advance = metrics.horizontalAdvance(u'0');
    m_lineHeight = std::max(1, static_cast<int>(std::ceil(metrics.lineSpacing())));
    m_charWidth = std::max(1, static_cast<int>(std::lround(advance)));
    m_gridFont = font();
    m_gridFont.setLetterSpacing(QFont::AbsoluteSpacing, m_charWidth - advance);
    // Each byte's glyph, looked up once: drawing then needs no text shaping.
    m_rawFont = QRawFont::fromFont(font());
    for (int b = 0; b < 256; ++b) {
        const QList<quint32> glyph = m_rawFont.isValid()
                                         ? m_rawFont.glyphIndexesForString(QString(cell(b)))
                                         : QList<quint32>{};
        m_glyphs[static_cast<std::size_t>(b)] = glyph.size() == 1 ? glyph.front() : 0;
    }
    updateScrollRanges();
}

// Bytes of one colour at one place of the grid. Through the glyph table where the font has
// every glyph; else the toolkit finds a font that has them.
void ProtocolView::drawCells(QPainter& painter, QPoint at, std::string_view bytes) const {
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(static_cast<qsizetype>(bytes.size()));
    positions.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const quint32 glyph = m_glyphs[static_cast<unsigned char>(bytes[i])];
        if (glyph == 0) {
            painter.drawText(at, cells(bytes));
            return;
        }
        glyphs.push_back(glyph);
        positions.push_back(QPointF(static_cast<qreal>(i) * m_charWidth, 0));
    }
    QGlyphRun run;
    run.setRawFont(m_rawFont);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.drawGlyphRun(at, run);
}

void ProtocolView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateMetrics();
        viewport()->update();
    }
    QAbstractScrollArea::changeEvent(event);
}

void ProtocolView::updateScrollRanges() {
    const int rows = visibleRows();
    const auto lines = static_cast<qint64>(m_store.lineCount());
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, static_cast<int>(std::max<qint64>(0, lines - rows)));
    v->setPageStep(rows);
    v->setSingleStep(1);
    const qint64 width = static_cast<qint64>(m_store.longestLine() + 1) * m_charWidth + 2 * kMargin;
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, static_cast<int>(std::clamp<qint64>(width - viewport()->width(), 0,
                                                       std::numeric_limits<int>::max())));
    h->setPageStep(viewport()->width());
    h->setSingleStep(m_charWidth);
}

// Only what changed is drawn anew: the lines from the one that was last on (it may have grown),
// after the view has moved what it already shows (scrollContentsBy).
void ProtocolView::storeChanged() {
    QScrollBar* v = verticalScrollBar();
    const bool followEnd = v->value() >= v->maximum();
    // A store that shrank was cleared behind the view's back: all of it is new.
    const std::size_t changedFrom =
        m_linesShown == 0 || m_store.lineCount() < m_linesShown ? 0 : m_linesShown - 1;
    m_linesShown = m_store.lineCount();
    updateScrollRanges();
    if (followEnd) {
        v->setValue(v->maximum());
    }
    const qint64 row = static_cast<qint64>(changedFrom) - firstVisibleLine();
    if (row < visibleRows() + 1) {
        const int top = static_cast<int>(std::max<qint64>(0, row)) * m_lineHeight;
        viewport()->update(0, top, viewport()->width(), viewport()->height() - top);
    }
}

void ProtocolView::scrollContentsBy(int dx, int dy) {
    viewport()->scroll(dx, dy * m_lineHeight);
}

void ProtocolView::clear() {
    m_store.clear();
    m_anchor = m_cursor = {};
    m_linesShown = 0;
    storeChanged();
    viewport()->update();
}

void ProtocolView::scrollToLine(std::size_t line) {
    verticalScrollBar()->setValue(
        static_cast<int>(std::min<std::size_t>(line, std::numeric_limits<int>::max())));
}

void ProtocolView::scrollToEnd() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ProtocolView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    storeChanged();
}

void ProtocolView::setSelection(Position anchor, Position cursor) {
    m_anchor = anchor;
    m_cursor = cursor;
    viewport()->update();
}

void ProtocolView::selectAll() {
    if (m_store.empty()) {
        return;
    }
    const std::size_t last = m_store.lineCount() - 1;
    setSelection({0, 0}, {last, m_store.lineLength(last)});
}

// The store keeps an LF between two lines, so the selection is one stretch of its bytes.
std::string ProtocolView::selectedText() const {
    if (!hasSelection()) {
        return {};
    }
    const Position from = std::min(m_anchor, m_cursor);
    const Position to = std::max(m_anchor, m_cursor);
    return m_store.bytes(m_store.offsetOf(from.line, from.column),
                         m_store.offsetOf(to.line, to.column));
}

void ProtocolView::copy() const {
    if (!hasSelection()) {
        return;
    }
    QString text = fromWin1252(selectedText());
#ifdef Q_OS_WIN
    // Windows programs that paste text expect CR LF between lines.
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
#endif
    QApplication::clipboard()->setText(text);
}

ProtocolView::Position ProtocolView::positionAt(const QPoint& point) const {
    if (m_store.empty()) {
        return {};
    }
    const qint64 row = point.y() < 0 ? -1 : point.y() / m_lineHeight;
    const qint64 line = std::clamp<qint64>(firstVisibleLine() + row, 0,
                                           static_cast<qint64>(m_store.lineCount()) - 1);
    const double x = point.x() - kMargin + horizontalScrollBar()->value();
    const auto column = static_cast<std::size_t>(std::max(0.0, std::round(x / m_charWidth)));
    const auto l = static_cast<std::size_t>(line);
    return {l, std::min(column, m_store.lineLength(l))};
}

void ProtocolView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const Position at = positionAt(event->position().toPoint());
    setSelection(event->modifiers() & Qt::ShiftModifier ? m_anchor : at, at);
}

void ProtocolView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        return;
    }
    m_dragAt = event->position().toPoint();
    setSelection(m_anchor, positionAt(m_dragAt));
    // Held past an edge, the view scrolls on by itself.
    if (!viewport()->rect().contains(m_dragAt)) {
        m_dragScroll.start();
    }
}

void ProtocolView::mouseReleaseEvent(QMouseEvent* event) {
    m_dragScroll.stop();
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void ProtocolView::dragScrollStep() {
    if (viewport()->rect().contains(m_dragAt)) {
        m_dragScroll.stop();
        return;
    }
    const auto step = [](QScrollBar* bar, int at, int size) {
        if (at < 0) {
            bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        } else if (at >= size) {
            bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        }
    };
    step(verticalScrollBar(), m_dragAt.y(), viewport()->height());
    step(horizontalScrollBar(), m_dragAt.x(), viewport()->width());
    setSelection(m_anchor, positionAt(m_dragAt));
}

// A double click takes the line under the pointer.
void ProtocolView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !m_store.empty()) {
        const Position at = positionAt(event->position().toPoint());
        setSelection({at.line, 0}, {at.line, m_store.lineLength(at.line)});
    }
}

void ProtocolView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (event->matches(QKeySequence::MoveToStartOfDocument)) {
        verticalScrollBar()->setValue(0);
    } else if (event->matches(QKeySequence::MoveToEndOfDocument)) {
        scrollToEnd();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void ProtocolView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copyAction = menu.addAction(QStringLiteral("&Kopieren"), this, &ProtocolView::copy);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    QAction* all =
        menu.addAction(QStringLiteral("Alles &markieren"), this, &ProtocolView::selectAll);
    all->setShortcut(QKeySequence::SelectAll);
    menu.exec(event->globalPos());
}

void ProtocolView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    painter.setFont(m_gridFont);
    const int firstColumn = horizontalScrollBar()->value() / m_charWidth;
    const int columns = viewport()->width() / m_charWidth + 2;
    const int lastRow = event->rect().bottom() / m_lineHeight;
    const auto first = static_cast<std::size_t>(firstVisibleLine());
    for (int row = std::max(0, event->rect().top() / m_lineHeight);
         row <= lastRow && first + static_cast<std::size_t>(row) < m_store.lineCount(); ++row) {
        paintLine(painter, first + static_cast<std::size_t>(row), row * m_lineHeight, firstColumn,
                  columns);
    }
}

void ProtocolView::paintLine(QPainter& painter, std::size_t line, int y, int firstColumn,
                             int columns) {
    const auto begin = static_cast<std::size_t>(firstColumn);
    const std::string text = m_store.lineText(line, begin, static_cast<std::size_t>(columns));
    const std::size_t end = begin + text.size();
    const auto xOf = [&](std::size_t column) {
        return kMargin + static_cast<int>(column) * m_charWidth - horizontalScrollBar()->value();
    };

    // The selected columns of this line; one cell more where the selection goes on past its
    // end.
    std::size_t selFrom = 0, selTo = 0;
    const Position from = std::min(m_anchor, m_cursor);
    const Position to = std::max(m_anchor, m_cursor);
    if (hasSelection() && line >= from.line && line <= to.line) {
        selFrom = line == from.line ? from.column : 0;
        selTo = line == to.line ? to.column : m_store.lineLength(line) + 1;
        painter.fillRect(
            QRect(xOf(selFrom), y, static_cast<int>(selTo - selFrom) * m_charWidth, m_lineHeight),
            palette().color(QPalette::Highlight));
    }
    if (text.empty()) {
        return;
    }
    // Cut the visible text where the colour or the selection changes.
    std::vector<LineStore::Run> runs = m_store.lineRuns(line);
    std::vector<std::size_t> cuts{begin, end, selFrom, selTo};
    for (const LineStore::Run& run : runs) {
        cuts.push_back(run.from);
    }
    std::sort(cuts.begin(), cuts.end());
    const int baseline = y + painter.fontMetrics().ascent();
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        const std::size_t a = std::max(cuts[i], begin);
        const std::size_t b = std::min(cuts[i + 1], end);
        if (a >= b) {
            continue;
        }
        Rgb colour = runs.front().colour;
        for (const LineStore::Run& run : runs) {
            if (run.from <= a) {
                colour = run.colour;
            }
        }
        const bool selected = a >= selFrom && a < selTo;
        painter.setPen(selected ? palette().color(QPalette::HighlightedText) : toColor(colour));
        drawCells(painter, QPoint(xOf(a), baseline),
                  std::string_view(text).substr(a - begin, b - a));
    }
}

} // namespace toolkit

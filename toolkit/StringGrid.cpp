#include "StringGrid.h"

#include <QHeaderView>
#include <QScrollBar>

namespace toolkit {

StringGrid::StringGrid(int colCount, int rowCount, int fixedCols, QWidget* parent)
    : QTableWidget(qMax(rowCount - 1, 0), colCount, parent), m_fixedCols(fixedCols) {
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    verticalHeader()->hide();
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(8);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setHorizontalScrollMode(ScrollPerPixel);
    for (int c = 0; c < colCount; ++c) {
        setHorizontalHeaderItem(c, new QTableWidgetItem());
        for (int r = 0; r + 1 < rowCount; ++r) {
            auto* item = new QTableWidgetItem();
            if (c < m_fixedCols) {
                // Fixed cells look like the header and never take the selection.
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(palette().button());
                item->setForeground(palette().buttonText());
            } else {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            }
            setItem(r, c, item);
        }
    }
    if (m_fixedCols > 0) {
        setUpFrozenView();
    }
}

void StringGrid::setCell(int col, int row, const QString& text) {
    if (col < 0 || col >= columnCount() || row < 0 || row > rowCount()) {
        return;
    }
    QTableWidgetItem* target = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
    if (target && target->text() != text) {
        target->setText(text);
    }
}

QString StringGrid::cell(int col, int row) const {
    if (col < 0 || col >= columnCount() || row < 0 || row > rowCount()) {
        return {};
    }
    const QTableWidgetItem* source = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
    return source ? source->text() : QString();
}

void StringGrid::setColWidth(int col, int width) {
    setColumnWidth(col, width);
    if (m_frozen && col < m_fixedCols) {
        m_frozen->setColumnWidth(col, width);
        updateFrozenGeometry();
    }
}

void StringGrid::setDefaultRowHeight(int height) {
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
    horizontalHeader()->setFixedHeight(height);
    if (m_frozen) {
        m_frozen->verticalHeader()->setMinimumSectionSize(height);
        m_frozen->verticalHeader()->setDefaultSectionSize(height);
        m_frozen->horizontalHeader()->setFixedHeight(height);
        updateFrozenGeometry();
    }
}

void StringGrid::setRowSelect(bool on) {
    setSelectionBehavior(on ? SelectRows : SelectItems);
    if (m_frozen) {
        m_frozen->setSelectionBehavior(selectionBehavior());
    }
}

// The fixed columns are a second view over the same model laid over the left edge of this one,
// so they stay put while the cells beneath scroll sideways.
void StringGrid::setUpFrozenView() {
    m_frozen = new QTableView(this);
    m_frozen->setModel(model());
    m_frozen->setSelectionModel(selectionModel());
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setEditTriggers(NoEditTriggers);
    m_frozen->verticalHeader()->hide();
    m_frozen->setWordWrap(false);
    m_frozen->setTextElideMode(Qt::ElideNone);
    m_frozen->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_frozen->horizontalHeader()->setHighlightSections(false);
    m_frozen->horizontalHeader()->setSectionsClickable(false);
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->horizontalHeader()->setMinimumSectionSize(8);
    m_frozen->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setStyleSheet(QStringLiteral("QTableView { border: none; }"));
    for (int c = m_fixedCols; c < columnCount(); ++c) {
        m_frozen->setColumnHidden(c, true);
    }
    viewport()->stackUnder(m_frozen);
    m_frozen->show();
    connect(m_frozen->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->verticalScrollBar(),
            &QAbstractSlider::setValue);
    updateFrozenGeometry();
}

int StringGrid::frozenWidth() const {
    int width = 0;
    for (int c = 0; c < m_fixedCols && c < columnCount(); ++c) {
        width += columnWidth(c);
    }
    return width;
}

void StringGrid::updateFrozenGeometry() {
    if (!m_frozen) {
        return;
    }
    m_frozen->setGeometry(frameWidth(), frameWidth(), frozenWidth(),
                          viewport()->height() + horizontalHeader()->height());
}

void StringGrid::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    updateFrozenGeometry();
}

// Keyboard moves and scrolling must not leave the current cell hidden under the fixed columns.
QModelIndex StringGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    QModelIndex current = QTableWidget::moveCursor(action, modifiers);
    if (m_frozen && action == MoveLeft && current.column() >= m_fixedCols &&
        visualRect(current).topLeft().x() < frozenWidth()) {
        const int newValue =
            horizontalScrollBar()->value() + visualRect(current).topLeft().x() - frozenWidth();
        horizontalScrollBar()->setValue(newValue);
    }
    return current;
}

void StringGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (index.column() >= m_fixedCols) {
        QTableWidget::scrollTo(index, hint);
    }
}

} // namespace toolkit

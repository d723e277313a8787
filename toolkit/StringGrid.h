#pragma once
// A grid of text cells addressed by (column, row) like the classic string grid of desktop forms:
// row 0 is the fixed header row (shown in the grid's header), the first fixedCols columns are
// drawn like the header and stay in place while the grid scrolls sideways. Cells are read-only
// for the user.

#include <QTableWidget>

namespace toolkit {

class StringGrid : public QTableWidget {
    Q_OBJECT
public:
    // rowCount counts the header row.
    StringGrid(int colCount, int rowCount, int fixedCols, QWidget* parent = nullptr);

    int colCount() const { return columnCount(); }
    int rowCountWithHeader() const { return rowCount() + 1; }
    int fixedCols() const { return m_fixedCols; }

    // Row 0 is the header row. Cells outside the grid are ignored / read as empty.
    void setCell(int col, int row, const QString& text);
    QString cell(int col, int row) const;

    void setColWidth(int col, int width);
    void setDefaultRowHeight(int height);
    // Whole-row selection (only the scrolling cells take the highlight).
    void setRowSelect(bool on);

protected:
    void resizeEvent(QResizeEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

private:
    void setUpFrozenView();
    void updateFrozenGeometry();
    int frozenWidth() const;

    int m_fixedCols = 0;
    QTableView* m_frozen = nullptr;
};

} // namespace toolkit

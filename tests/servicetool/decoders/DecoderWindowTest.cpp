#include "DecoderWindowTest.h"

#include "toolkit/HelpLauncher.h"
#include "toolkit/StringGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>

namespace testsupport {

QStringList entries(const QComboBox* box) {
    QStringList list;
    for (int i = 0; i < box->count(); ++i) {
        list << box->itemText(i);
    }
    return list;
}

QStringList bitRows(const toolkit::StringGrid& grid, int col) {
    QStringList cells;
    for (int row = 1; row <= 8; ++row) {
        cells << grid.cell(col, row);
    }
    return cells;
}

void pick(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
    QApplication::processEvents();
}

void pick(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    pick(box, index);
}

QStringList helpAskedBy(QPushButton* button) {
    QStringList asked;
    auto previous = toolkit::setHelpOpener([&](const QString& topic) { asked << topic; });
    button->click();
    toolkit::setHelpOpener(previous);
    return asked;
}

} // namespace testsupport

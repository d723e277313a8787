#pragma once
// A group box of radio buttons addressed by index, the way the programs' windows use a radio
// group: one item selected, a signal when the selection changes.

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>

namespace toolkit {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    int itemIndex() const { return m_buttons->checkedId(); }
    // Selects an item as a click of the user does (emits clicked when it changes).
    void setItemIndex(int index);
    int count() const { return static_cast<int>(m_buttons->buttons().size()); }
    QRadioButton* button(int index) const;

signals:
    // The selection changed to another item.
    void clicked();

private:
    QButtonGroup* m_buttons;
};

} // namespace toolkit

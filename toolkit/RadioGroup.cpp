#include "RadioGroup.h"

#include <QVBoxLayout>

namespace toolkit {

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), m_buttons(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 4, 6, 4);
    layout->setSpacing(2);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        m_buttons->addButton(button, i);
        layout->addWidget(button);
    }
    layout->addStretch();
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            emit clicked();
        }
    });
}

void RadioGroup::setItemIndex(int index) {
    if (QRadioButton* b = button(index)) {
        b->setChecked(true);
    }
}

QRadioButton* RadioGroup::button(int index) const {
    return qobject_cast<QRadioButton*>(m_buttons->button(index));
}

} // namespace toolkit

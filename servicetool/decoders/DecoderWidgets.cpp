#include "servicetool/decoders/DecoderWidgets.h"

#include "servicetool/decoders/BitDecoding.h"
#include "toolkit/HelpLauncher.h"
#include "toolkit/StringGrid.h"
#include "toolkit/Win1252.h"

#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QListView>
#include <QSignalBlocker>
#include <QTimer>
#include <memory>

namespace servicetool {

QComboBox* makeEntryBox(const QString& prompt, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setPlaceholderText(prompt);
    // Sizing to the longest of thousands of entries would cost every showing dearly.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMaxVisibleItems(20);
    if (auto* list = qobject_cast<QListView*>(box->view())) {
        list->setUniformItemSizes(true);
    }
    if (box->completer()) {
        box->completer()->setCaseSensitivity(Qt::CaseSensitive);
    }
    return box;
}

QString selectedEntry(const QComboBox* box) {
    const QString text = box->currentText();
    const int index = box->currentIndex();
    if (index >= 0 && box->itemText(index) == text) {
        return text;
    }
    return box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0 ? text : QString();
}

void onEntryChanged(QComboBox* box, QObject* context, std::function<void()> onChange) {
    // Picking an entry with another text announces the new text and then the pick; picking the
    // one already shown announces only the pick. Each user action must run the handler once.
    auto textJustChanged = std::make_shared<bool>(false);
    QObject::connect(
        box, &QComboBox::currentTextChanged, context, [context, onChange, textJustChanged] {
            *textJustChanged = true;
            QTimer::singleShot(0, context, [textJustChanged] { *textJustChanged = false; });
            onChange();
        });
    QObject::connect(box, &QComboBox::activated, context, [onChange, textJustChanged] {
        if (*textJustChanged) {
            *textJustChanged = false;
            return;
        }
        onChange();
    });
}

void replaceEntries(QComboBox* box, const QStringList& entries, EntryText keep) {
    const QSignalBlocker blocker(box);
    const QString text = keep == EntryText::Keep ? box->currentText() : QString();
    box->clear();
    box->addItems(entries);
    const int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    box->setCurrentIndex(index);
    box->setEditText(text);
}

} // namespace servicetool

namespace servicetool {

void showProgramHelp(const QString& topic) {
    // The program names its help file at start; windows made without it still find theirs.
    const QString file = toolkit::helpFile();
    toolkit::openHelp((file.isEmpty() ? QStringLiteral("HilfeKorvelTool.chm") : file) + topic);
}

void ShowBitMarks(const std::string& bits, toolkit::StringGrid& grid) {
    for (int row = 1; row <= 8; ++row) {
        grid.setCell(1, row, toolkit::fromWin1252(bitMark(bits, row)));
    }
}

} // namespace servicetool

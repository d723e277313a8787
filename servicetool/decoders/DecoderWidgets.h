#pragma once
// Small pieces the two decoder windows share: their drop-down boxes, the bit marks and help.

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

namespace toolkit {
class StringGrid;
}

class QComboBox;
class QObject;
class QWidget;

namespace servicetool {

// An editable drop-down list with a prompt text, that keeps what the user types out of its list
// and copes with long lists.
QComboBox* makeEntryBox(const QString& prompt, QWidget* parent);

// Writes the bit marks (BitDecoding.h) into column 1, rows 1 to 8 of the grid; no other cell is
// touched.
void ShowBitMarks(const std::string& bits, toolkit::StringGrid& grid);

// The text of the entry now selected: the box's text when it is one of the entries, else empty.
QString selectedEntry(const QComboBox* box);

// Calls onChange once whenever the user changes the box, by picking an entry (the same one
// again included) or by editing its text.
void onEntryChanged(QComboBox* box, QObject* context, std::function<void()> onChange);

// Opens a topic ("::name.htm") of the program's help file.
void showProgramHelp(const QString& topic);

// Replaces all entries without announcing a change, keeping the box's text or emptying it (the
// box then shows its prompt).
enum class EntryText { Keep, Clear };
void replaceEntries(QComboBox* box, const QStringList& entries, EntryText text = EntryText::Keep);

} // namespace servicetool

#pragma once
// What the decoder windows' tests share: a temporary program folder for the data files, scripted
// dialogs, the window made over that folder, and reading the window's boxes and grids.

#include "TestFolder.h"
#include "common/ScriptedDialogs.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

class QComboBox;
class QPushButton;

namespace toolkit {
class StringGrid;
}

namespace testsupport {

QStringList entries(const QComboBox* box);
// The cells of grid rows 1 to 8 (bit 7 down to bit 0) of one column.
QStringList bitRows(const toolkit::StringGrid& grid, int col);
// Picks an entry as the user does, so the box announces it, and lets queued events run.
void pick(QComboBox* box, int index);
void pick(QComboBox* box, const QString& text);
// The help topics asked for while the button is clicked; no help is opened.
QStringList helpAskedBy(QPushButton* button);

// The window is made over the test folder at first use, so a test writes its files first.
template <class Window> class DecoderWindowTest : public ::testing::Test {
protected:
    Window& window() {
        if (!m_window) {
            m_window = std::make_unique<Window>(nullptr, folder.path());
        }
        return *m_window;
    }

    TestFolder folder;
    testsupport::ScriptedDialogs dialogs;

private:
    std::unique_ptr<Window> m_window;
};

} // namespace testsupport

#pragma once
// The one set-up of DruckKorvel's window tests: a program folder of the test's own (removed
// afterwards), scripted dialogs for the test's length, and the window made in that folder on
// first use, so a test can put a settings file there before. The line helpers feed and read the
// display as the receive pipeline does.

#include "common/ScriptedDialogs.h"
#include "printcapture/TForm1.h"

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <string>

class QTextBlock;

namespace capturetest {

class CaptureWindowTest : public ::testing::Test {
protected:
    // The program folder, with a trailing separator, as the window takes it.
    QString folder() const;
    // A file in the program folder.
    QString path(const QString& name) const;
    bool exists(const QString& name) const;
    testsupport::ScriptedDialogs& dialogs() { return m_dialogs; }
    // The window in folder(), made at the first call.
    printcapture::TForm1& window();
    // The next start: the window goes (as at the program's end) and a new one reads the folder.
    printcapture::TForm1& restart();

private:
    testsupport::ScriptedDialogs m_dialogs; // outlives the window
    QTemporaryDir m_dir;
    std::unique_ptr<printcapture::TForm1> m_window;
};

// Appends `line` and the panel's line end LF CR to the receive buffer and polls once.
void receiveLine(printcapture::TForm1& window, const std::string& line);

// 'b', 'i' or 'r': the style of a display or protocol line (an empty one has its block's).
char styleOfBlock(const QTextBlock& block);
// The styles of the display's lines in order, e.g. "rrib".
std::string styles(const printcapture::TForm1& window);

// The folder that KORVEL_SHOTS names for pictures a person looks at, made if missing, with Qt's
// German texts installed as in the program; empty (no pictures wanted) when it is not set.
QString shotsFolder();

// The bytes of a file; empty when it cannot be read.
std::string fileBytes(const QString& path);

#ifndef _WIN32
class PrinterSim;

// Whether the simulator's COM<com> is published and the registry lists it (probed to COM8).
bool portReady(PrinterSim& sim, int com);

// Checks the `count` lines after `block` against what the simulator printed with `seed`: each
// converted, in order, in the style its first byte gives (a line too short to decide keeps the
// one before). `block` ends on the last of them. Empty lines are checked for their style only
// where `emptyLinesStyled` (the display keeps it, a rich-text file need not).
void expectPrintedLines(QTextBlock& block, int seed, int count, bool emptyLinesStyled);
#endif

} // namespace capturetest

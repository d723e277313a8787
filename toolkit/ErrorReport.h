#pragma once
// The toolkit's default error report: an error that the program's own code did not catch is
// shown with its text in a message box (OK only, the program's caption), and the program runs
// on. Goes through the dialogs interface, so tests see it as a message.

#include <QString>

namespace toolkit {

void showErrorReport(const QString& text);

} // namespace toolkit

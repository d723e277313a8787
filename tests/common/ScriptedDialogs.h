#pragma once
// Dialogs for tests: records every box shown and answers from queues set up in advance.
// An unexpected question (empty queue) answers No / cancel and is recorded, so a test never
// blocks on a modal box.

#include "toolkit/Dialogs.h"

#include <deque>
#include <vector>

namespace testsupport {

class ScriptedDialogs : public toolkit::Dialogs {
public:
    struct Shown {
        QString kind; // "message", "confirm", "ask", "input", "save", "open"
        QString text;
        QString caption;
    };

    ScriptedDialogs();           // installs itself
    ~ScriptedDialogs() override; // restores the previous dialogs

    std::deque<bool> confirmAnswers;
    std::deque<Answer> askAnswers; // an empty queue answers Cancel
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<std::optional<QString>> fileAnswers;
    std::vector<Shown> shown;
    std::vector<toolkit::FileDialogOptions> fileOptions;
    int beeps = 0;

    QStringList messages() const; // texts of the message boxes shown, in order

    void message(QWidget*, const QString& text, const QString& caption, Icon) override;
    bool confirm(QWidget*, const QString& text, const QString& caption) override;
    Answer ask(QWidget*, const QString& text, const QString& caption) override;
    std::optional<QString> input(QWidget*, const QString& caption, const QString& prompt,
                                 const QString& value) override;
    QString lastInputValue; // the proposed answer of the last input box
    std::optional<QString> saveFileName(QWidget*,
                                        const toolkit::FileDialogOptions& options) override;
    std::optional<QString> openFileName(QWidget*,
                                        const toolkit::FileDialogOptions& options) override;
    void beep() override { ++beeps; }

private:
    Dialogs* m_previous = nullptr;
};

} // namespace testsupport

#include "ScriptedDialogs.h"

namespace testsupport {

namespace {
// An empty queue answers "cancelled".
std::optional<QString> takeFirst(std::deque<std::optional<QString>>& queue) {
    if (queue.empty() || !queue.front().has_value()) {
        if (!queue.empty()) {
            queue.pop_front();
        }
        return std::nullopt;
    }
    QString answer = *queue.front();
    queue.pop_front();
    return answer;
}
} // namespace

ScriptedDialogs::ScriptedDialogs() : m_previous(toolkit::setDialogs(this)) {}

ScriptedDialogs::~ScriptedDialogs() {
    toolkit::setDialogs(m_previous);
}

QStringList ScriptedDialogs::messages() const {
    QStringList out;
    for (const Shown& s : shown) {
        if (s.kind == QLatin1String("message")) {
            out << s.text;
        }
    }
    return out;
}

void ScriptedDialogs::message(QWidget*, const QString& text, const QString& caption, Icon) {
    shown.push_back({QStringLiteral("message"), text, caption});
}

bool ScriptedDialogs::confirm(QWidget*, const QString& text, const QString& caption) {
    shown.push_back({QStringLiteral("confirm"), text, caption});
    if (confirmAnswers.empty()) {
        return false;
    }
    bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

toolkit::Dialogs::Answer ScriptedDialogs::ask(QWidget*, const QString& text,
                                              const QString& caption) {
    shown.push_back({QStringLiteral("ask"), text, caption});
    if (askAnswers.empty()) {
        return Answer::Cancel;
    }
    const Answer answer = askAnswers.front();
    askAnswers.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::input(QWidget*, const QString& caption,
                                              const QString& prompt, const QString& value) {
    shown.push_back({QStringLiteral("input"), prompt, caption});
    lastInputValue = value;
    return takeFirst(inputAnswers);
}

std::optional<QString> ScriptedDialogs::saveFileName(QWidget*,
                                                     const toolkit::FileDialogOptions& options) {
    shown.push_back({QStringLiteral("save"), options.filter, options.title});
    fileOptions.push_back(options);
    return takeFirst(fileAnswers);
}

std::optional<QString> ScriptedDialogs::openFileName(QWidget*,
                                                     const toolkit::FileDialogOptions& options) {
    shown.push_back({QStringLiteral("open"), options.filter, options.title});
    fileOptions.push_back(options);
    return takeFirst(fileAnswers);
}

} // namespace testsupport

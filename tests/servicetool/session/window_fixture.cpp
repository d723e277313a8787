#include "window_fixture.h"

#include "toolkit/ProtocolView.h"
#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace testsupport {

bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

QStringList viewLines(const servicetool::TForm1& form) {
    const toolkit::LineStore& store = form.RichEdit1->store();
    QStringList lines;
    for (std::size_t i = 0; i < store.lineCount(); ++i) {
        lines << toolkit::fromWin1252(store.lineText(i));
    }
    return lines;
}

QString viewText(const servicetool::TForm1& form) {
    return viewLines(form).join(QLatin1Char('\n'));
}

QColor lineColour(const servicetool::TForm1& form, int line) {
    const toolkit::Rgb rgb =
        form.RichEdit1->store().lineRuns(static_cast<std::size_t>(line)).front().colour;
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QStringList recordedLines(const servicetool::TForm1& form) {
    QStringList lines;
    for (const std::string& line : toolkit::readLines(form.recording().path()).lines) {
        lines << toolkit::fromWin1252(line);
    }
    return lines;
}

void KorvelToolWindow::createForm() {
    form = std::make_unique<servicetool::TForm1>(nullptr, folder.path() + QLatin1Char('/'));
}

} // namespace testsupport

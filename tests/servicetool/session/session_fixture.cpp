#include "session_fixture.h"

#include "common/PortFolder.h"
#include "serial/Serial.h"
#include "toolkit/ProtocolView.h"
#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

namespace {

// Every COM1..COM9 in it is a dangling link until a test publishes a pty there.
PortFolder& ports() {
    static PortFolder folder(9);
    return folder;
}

} // namespace

const std::string& portFolder() {
    return ports().path();
}

void removePort(int number) {
    ports().hide(number);
    rescanPorts();
}

void rescanPorts() {
    portFolder();
    COMManager().ScanPorts(9);
    COMManager().Rescan();
}

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

void KorvelToolWindow::createForm() {
    form = std::make_unique<servicetool::TForm1>(nullptr, folder.path() + QLatin1Char('/'));
}

WindowOnPty::WindowOnPty() : KorvelToolWindow(Later{}) {
    std::string error;
    if (!pty.open(portFolder(), 1, &error)) {
        ADD_FAILURE() << error;
    }
    rescanPorts();
    createForm();
}

QStringList recordedLines(const servicetool::TForm1& form) {
    QStringList lines;
    for (const std::string& line : toolkit::readLines(form.recording().path()).lines) {
        lines << toolkit::fromWin1252(line);
    }
    return lines;
}

bool WindowOnPty::connect() {
    form->BitBtn1Click();
    return form->Serial1.Active();
}

void WindowOnPty::tick(const std::string& piece) {
    const std::uint32_t before = form->Serial1.InQueCount();
    pty.writeAll(piece);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (form->Serial1.Active() && form->Serial1.InQueCount() < before + piece.size() &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    form->Timer1Timer();
}

std::string WindowOnPty::answers(std::size_t count, int timeoutMs) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[64];
    while (out.size() < count && std::chrono::steady_clock::now() < deadline) {
        const int n = pty.readSome(buffer, sizeof buffer, 20);
        if (n > 0) {
            out.append(buffer, static_cast<std::size_t>(n));
        }
    }
    return out;
}

} // namespace testsupport

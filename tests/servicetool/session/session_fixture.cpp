#include "session_fixture.h"

#include "common/PortFolder.h"
#include "serial/Serial.h"

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

WindowOnPty::WindowOnPty() : KorvelToolWindow(Later{}) {
    std::string error;
    if (!pty.open(portFolder(), 1, &error)) {
        ADD_FAILURE() << error;
    }
    rescanPorts();
    createForm();
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

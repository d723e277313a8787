#include "session_fixture.h"

#include "serial/Serial.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

namespace {

// Removes the folder when the test process ends.
struct FolderRemoval {
    std::string path;
    ~FolderRemoval() {
        for (int n = 1; n <= 99; ++n) {
            ::unlink((path + "/COM" + std::to_string(n)).c_str());
        }
        ::rmdir(path.c_str());
    }
};

} // namespace

const std::string& portFolder() {
    static const std::string folder = [] {
        std::string templ = "/tmp/korvel-servicetool-XXXXXX";
        const char* made = mkdtemp(templ.data());
        std::string path = made ? made : "/tmp";
        setenv("KORVEL_PORTS", path.c_str(), 1);
        for (int n = 1; n <= 9; ++n) {
            const std::string link = path + "/COM" + std::to_string(n);
            ::unlink(link.c_str());
            [[maybe_unused]] int r = ::symlink("/nonexistent/korvel-test-port", link.c_str());
        }
        return path;
    }();
    static const FolderRemoval removal{folder};
    return folder;
}

void removePort(int number) {
    const std::string link = portFolder() + "/COM" + std::to_string(number);
    ::unlink(link.c_str());
    [[maybe_unused]] int r = ::symlink("/nonexistent/korvel-test-port", link.c_str());
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

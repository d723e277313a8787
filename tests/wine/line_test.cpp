// The serial layer on Windows against real serial lines: under wine, COM1 is a pseudo-terminal
// of the Linux host with a peer behind it that sends back what it receives, and COM2 one with
// the simulated Version 2 controller (run_line_test.sh starts both).
#include "RunningUnderWine.h"
#include "serial/Serial.h"
#include "servicetool/session/PromptSession.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Polls until the condition holds; the bound is generous because the machine may be loaded.
template <class Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit = 20s) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::string everyByte() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    return bytes;
}

// Both controller generations' line settings: what the service tool sets before it connects.
struct LineCase {
    TBaudrate baudrate;
    bool rtsCts;
    comm::DWORD bitRate;
};
constexpr LineCase kVersion2{TBaudrate::br_115200, true, 115200};
constexpr LineCase kVersion1{TBaudrate::br_009600, false, 9600};

void configure(TSerial& port, int number, const LineCase& line) {
    port.setCOMPort(number);
    port.setBaudrate(line.baudrate);
    port.setHandshakeRtsCts(line.rtsCts);
}

TEST(Win32Line, OpensWithEachControllerVersionsSettingsAsTheDeviceReportsThem) {
    ASSERT_TRUE(COMManager().HasPort(1)) << "COM1 was not found by the registry";
    for (const LineCase& line : {kVersion2, kVersion1}) {
        SCOPED_TRACE(line.bitRate);
        TSerial port;
        configure(port, 1, line);
        ASSERT_TRUE(port.Open());
        EXPECT_TRUE(port.IsNTPlatform());
        EXPECT_EQ(port.BoundSlots(), TSerial::SlotKind::Waiting);

        comm::DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        ASSERT_TRUE(comm::GetCommState(port.Handle(), &dcb));
        EXPECT_EQ(dcb.BaudRate, line.bitRate);
        EXPECT_EQ(dcb.ByteSize, 8);
        EXPECT_EQ(dcb.Parity, comm::NOPARITY);
        EXPECT_EQ(dcb.StopBits, comm::ONESTOPBIT);
        EXPECT_EQ(dcb.fOutxCtsFlow, line.rtsCts ? 1u : 0u);
        // wine reports the raised RTS line of a handshake, not the handshake itself; the
        // simulated controller checks the handshake on its end of the line.
        const comm::DWORD rtsHandshake =
            runningUnderWine() ? comm::RTS_CONTROL_ENABLE : comm::RTS_CONTROL_HANDSHAKE;
        EXPECT_EQ(dcb.fRtsControl, line.rtsCts ? rtsHandshake : comm::RTS_CONTROL_DISABLE);
        EXPECT_EQ(dcb.fOutX | dcb.fInX, 0u);
        port.Close();
        EXPECT_FALSE(port.Active());
    }
}

TEST(Win32Line, EveryByteValuePassesBothWaysAndReadStringTakesExactlyWhatWaits) {
    TSerial port;
    configure(port, 1, kVersion2);
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.ReadString(), "");

    const std::string bytes = everyByte();
    ASSERT_EQ(port.WriteString(bytes), 256);
    ASSERT_TRUE(waitFor([&] { return port.InQueCount() >= 256; }));
    std::this_thread::sleep_for(100ms); // nothing beyond the echo may follow
    EXPECT_EQ(port.InQueCount(), 256u);
    EXPECT_EQ(port.ReadString(), bytes);

    // With nothing waiting the answer is "" at once: a read that waited for data would block
    // here until the generous test timeout.
    const auto before = Clock::now();
    EXPECT_EQ(port.ReadString(), "");
    EXPECT_LT(Clock::now() - before, 5s);

    const std::string piece = bytes.substr(100, 37);
    ASSERT_EQ(port.WriteString(piece), 37);
    ASSERT_TRUE(waitFor([&] { return port.InQueCount() >= 37; }));
    EXPECT_EQ(port.ReadString(), piece);
    EXPECT_EQ(port.ReadString(), "");
}

// The worker waits in the real WaitCommEvent while this thread writes: the write is complete
// when it returns, the echo wakes the worker, and its handler takes the bytes. Closing wakes
// the waiting worker and ends it before Close returns.
TEST(Win32Line, EventThreadFiresOnRxCharThroughTheRealWaitAndEndsAtClose) {
    TSerial port;
    configure(port, 1, kVersion2);
    std::mutex mutex;
    std::string received;
    std::atomic<int> cycles{0};
    port.OnRxChar = [&](TObject* sender) {
        ++cycles;
        const std::string piece = static_cast<TSerial*>(sender)->ReadString();
        std::lock_guard lock(mutex);
        received += piece;
    };
    ASSERT_TRUE(port.Open());
    std::this_thread::sleep_for(200ms); // let the worker reach its wait

    const std::string bytes = everyByte();
    ASSERT_EQ(port.WriteString(bytes), 256);
    EXPECT_TRUE(waitFor([&] {
        std::lock_guard lock(mutex);
        return received.size() >= bytes.size();
    }));
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(received, bytes);
    }
    EXPECT_GE(cycles.load(), 1);

    const auto before = Clock::now();
    port.Close();
    EXPECT_FALSE(port.Active());
    EXPECT_LT(Clock::now() - before, 10s);
    const int atClose = cycles.load();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(cycles.load(), atClose);
}

// A handler waiting in a read that only more bytes from the far end would complete does not
// keep Close waiting: the close cancels the handler's read before it waits for the worker.
TEST(Win32Line, CloseEndsAHandlerWaitingInARead) {
    TSerial port;
    configure(port, 1, kVersion1);
    std::atomic<bool> inside{false};
    std::atomic<int> got{-1};
    port.OnRxChar = [&](TObject* sender) {
        if (inside.exchange(true)) {
            return;
        }
        char buf[64];
        got = static_cast<TSerial*>(sender)->ReadBuf(buf, sizeof buf);
    };
    ASSERT_TRUE(port.Open());
    std::this_thread::sleep_for(200ms);   // let the worker reach its wait
    ASSERT_EQ(port.WriteString("go"), 2); // the echo wakes the handler, which wants 64 bytes
    ASSERT_TRUE(waitFor([&] { return inside.load(); }));
    std::this_thread::sleep_for(100ms);
    const auto before = Clock::now();
    port.Close();
    EXPECT_LT(Clock::now() - before, 2s);
    EXPECT_GE(got.load(), 0); // the handler has returned
    EXPECT_LT(got.load(), 64);
}

// A close clears the mask and then waits for the event thread, which may be just about to wait
// again: that wait must fail at once, as on Windows (wine keeps a wait on an empty mask pending
// for ever, and the close would never return).
TEST(Win32Line, AWaitOnAnEmptyMaskFailsAtOnce) {
    TSerial port;
    configure(port, 1, kVersion1);
    ASSERT_TRUE(port.Open()); // no handler: the mask is 0 and no event thread runs
    auto result = std::make_shared<std::promise<bool>>();
    std::thread([handle = port.Handle(), result] {
        comm::DWORD mask = 0;
        result->set_value(comm::WaitCommEvent(handle, &mask, nullptr) != 0);
    }).detach(); // a wait that hangs must not hang the test program too
    auto answer = result->get_future();
    ASSERT_EQ(answer.wait_for(10s), std::future_status::ready);
    EXPECT_FALSE(answer.get());
}

// What the service tool's window does on each 100 ms tick, without the window: the session
// logic decides, this loop carries out its answers on the real port.
TEST(Win32Session, Version2SessionAnswersListenerAndTwelveLetters) {
    TSerial port;
    configure(port, 2, kVersion2);
    ASSERT_TRUE(port.Open());
    servicetool::PromptSession session;
    session.setVersion2(true);

    std::string sent;
    bool reset = false;
    const auto deadline = Clock::now() + 90s;
    while (!reset && Clock::now() < deadline) {
        const std::string received = port.ReadString();
        for (const servicetool::SessionStep& step : session.poll(received, 0)) {
            if (step.kind == servicetool::SessionStep::AnswerListener) {
                sent += step.letter;
                EXPECT_EQ(port.WriteString(std::string(1, step.letter)), 1);
            } else if (step.kind == servicetool::SessionStep::Burst) {
                for (int i = 0; i < 12; ++i) {
                    sent += step.letter;
                    EXPECT_EQ(port.WriteString(std::string(1, step.letter)), 1);
                    std::this_thread::sleep_for(100ms);
                }
            } else if (step.kind == servicetool::SessionStep::FactoryReset) {
                port.Close();
                reset = true;
            }
        }
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(reset) << "no \"loading default config\" within 90 s; sent: " << sent;
    EXPECT_EQ(sent, "m" + std::string(12, 'd'));
}

} // namespace

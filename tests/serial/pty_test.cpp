// The component and the registry on pseudo-terminals published as COM ports.
#include "common/PtyPort.h"
#include "serial/Serial.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <termios.h>

using namespace std::chrono_literals;
using testsupport::PortFolder;
using testsupport::PtyPort;

namespace {

class PtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        // COM2 and COM4 are hidden so that a machine with a USB adapter does not disturb.
        folder.hide(2);
        folder.hide(4);
        registry = std::make_unique<TCOMManager>();
        installCOMManager(registry.get());
    }
    void TearDown() override { installCOMManager(nullptr); }

    PortFolder folder;
    PtyPort com1{folder, 1};
    PtyPort com3{folder, 3};
    std::unique_ptr<TCOMManager> registry;
};

TEST_F(PtyTest, RegistryListsThePublishedPortsInOrder) {
    ASSERT_EQ(registry->Count(), 2);
    EXPECT_EQ(registry->Name(0), "COM1");
    EXPECT_EQ(registry->Name(1), "COM3");
    EXPECT_EQ(registry->IndexOfPort(3), 1);
    EXPECT_EQ(registry->IndexOfPort(2), -1);
    EXPECT_FALSE(registry->HasPort(2));
}

TEST_F(PtyTest, OpensWithTheLineSettingsOfTheServiceSession) {
    TSerial serial;
    EXPECT_EQ(serial.COMPort(), 1);
    serial.setBaudrate(TBaudrate::br_115200);
    serial.setHandshakeRtsCts(true);
    serial.setActive(true);
    ASSERT_TRUE(serial.Active());
    EXPECT_EQ(registry->Entry(0).Owner, &serial);

    // The master side reports the terminal settings of the slave that the component set.
    termios tio{};
    ASSERT_EQ(tcgetattr(com1.masterFd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B115200);
    EXPECT_EQ(cfgetispeed(&tio), B115200);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_NE(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);

    comm::DCB dcb{};
    ASSERT_TRUE(comm::GetCommState(serial.Handle(), &dcb));
    EXPECT_EQ(dcb.BaudRate, 115200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.fRtsControl, comm::RTS_CONTROL_HANDSHAKE);

    serial.setActive(false);
    EXPECT_FALSE(serial.Active());
    EXPECT_EQ(registry->Entry(0).Owner, nullptr);
}

TEST_F(PtyTest, XonXoffReachesTheTerminalOnlyWhenAsked) {
    TSerial serial;
    serial.setHandshakeXOnXOff(true);
    serial.setXOnChar(0x11);
    serial.setXOffChar(0x13);
    ASSERT_TRUE(serial.Open());
    termios tio{};
    ASSERT_EQ(tcgetattr(com1.masterFd(), &tio), 0);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(tio.c_cc[VSTART], 0x11);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x13);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
}

TEST_F(PtyTest, EveryByteValuePassesBothWays) {
    TSerial serial;
    ASSERT_TRUE(serial.Open());
    std::string all;
    for (int i = 0; i < 256; ++i) {
        all += static_cast<char>(i);
    }
    EXPECT_EQ(serial.WriteString(all), 256);
    EXPECT_EQ(com1.read(256, 2000), all);

    ASSERT_TRUE(com1.write(all));
    std::string received;
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (received.size() < all.size() && std::chrono::steady_clock::now() < end) {
        received += serial.ReadString();
    }
    EXPECT_EQ(received, all);
}

TEST_F(PtyTest, ReadStringHandsOutExactlyWhatWaitsAndNeverWaits) {
    TSerial serial;
    ASSERT_TRUE(serial.Open());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(serial.ReadString(), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);

    const std::string line(37, 'x');
    ASSERT_TRUE(com1.write(line));
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (serial.InQueCount() < 37 && std::chrono::steady_clock::now() < end) {
    }
    EXPECT_EQ(serial.ReadString(), line);
    EXPECT_EQ(serial.ReadString(), "");
}

TEST_F(PtyTest, ReadBufWaitsForItsCountWithinTheReceiveTimeout) {
    TSerial serial;
    serial.setRecTimeOut(200);
    ASSERT_TRUE(serial.Open());
    ASSERT_TRUE(com1.write("abc"));
    char buf[8] = {};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(serial.ReadBuf(buf, 8), 3);
    EXPECT_EQ(std::string(buf, 3), "abc");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 150ms); // the gap after the last byte ended it, not an empty queue
    EXPECT_LT(took, 2s);

    // A read that ran out of time leaves the port working.
    ASSERT_TRUE(com1.write("more"));
    EXPECT_EQ(serial.ReadBuf(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "more");
    EXPECT_EQ(serial.WriteString("ok"), 2);
}

TEST_F(PtyTest, APortIsOpenForOneComponentOnly) {
    TSerial first;
    TSerial second;
    ASSERT_TRUE(first.Open());
    EXPECT_FALSE(second.Open());
    EXPECT_FALSE(second.Active());
    first.Close();
    EXPECT_TRUE(second.Open());
}

TEST_F(PtyTest, UnpluggingClosesTheOwnerThroughTheRegistry) {
    TSerial serial;
    ASSERT_TRUE(serial.Open());
    std::vector<std::string> order;
    serial.OnCOMRemoved = [&](TObject* sender) {
        EXPECT_EQ(sender, &serial);
        order.push_back("removed");
    };
    registry->OnCOMRemoval = [&](TObject*) { order.push_back("removal"); };

    com1.unplug();
    TMessage message{comm::WM_DEVICECHANGE, comm::DBT_DEVICEREMOVECOMPLETE, comm::DBT_DEVTYP_PORT};
    DispatchMainWindowMessage(message);

    EXPECT_FALSE(serial.Active());
    EXPECT_EQ(serial.ReadString(), "");
    EXPECT_EQ(serial.WriteString("x"), 0);
    EXPECT_EQ(order, (std::vector<std::string>{"removed", "removal"}));
    ASSERT_EQ(registry->Count(), 1);
    EXPECT_EQ(registry->Name(0), "COM3");
}

TEST_F(PtyTest, AFarEndThatDiesLeavesNothingToReadAndNoSpin) {
    TSerial serial;
    ASSERT_TRUE(serial.Open());
    ASSERT_TRUE(com1.write("last words"));
    const auto until = std::chrono::steady_clock::now() + 2s;
    while (serial.InQueCount() < 10 && std::chrono::steady_clock::now() < until) {
    }
    com1.closeMaster();

    // What arrived before the hang-up is not lost; after it, every call returns at once.
    std::string got;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i) {
        got += serial.ReadString();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_TRUE(got.empty() || got == "last words") << got;
    EXPECT_EQ(serial.ReadString(), "");
    EXPECT_EQ(serial.InQueCount(), 0u);
    EXPECT_EQ(serial.WriteString("anyone?"), 0);
    char buf[4];
    EXPECT_EQ(serial.ReadBuf(buf, 4), 0);
    serial.Close();
    EXPECT_FALSE(serial.Active());
}

// What the line-event thread will wait on: arriving bytes end the wait with EV_RXCHAR, and
// clearing the mask from another thread ends it at once with an empty mask.
TEST_F(PtyTest, TheEventWaitSeesNewBytesAndEndsWhenTheMaskIsCleared) {
    TSerial serial;
    ASSERT_TRUE(serial.Open());
    const comm::HANDLE h = serial.Handle();
    ASSERT_TRUE(comm::SetCommMask(h, comm::EV_RXCHAR | comm::EV_CTS));

    comm::DWORD mask = 0;
    auto waiter =
        std::async(std::launch::async, [&] { return comm::WaitCommEvent(h, &mask, nullptr); });
    // Should an assertion end the test early, the wait is ended before the future joins it.
    struct WakeOnExit {
        comm::HANDLE h;
        ~WakeOnExit() { comm::SetCommMask(h, 0); }
    } wake{h};
    ASSERT_TRUE(com1.write("x"));
    ASSERT_EQ(waiter.wait_for(2s), std::future_status::ready);
    EXPECT_TRUE(waiter.get());
    EXPECT_EQ(mask, comm::EV_RXCHAR);
    EXPECT_EQ(serial.ReadString(), "x");

    waiter = std::async(std::launch::async, [&] { return comm::WaitCommEvent(h, &mask, nullptr); });
    EXPECT_EQ(waiter.wait_for(100ms), std::future_status::timeout);
    serial.Close(); // clears the mask before the handle goes
    ASSERT_EQ(waiter.wait_for(2s), std::future_status::ready);
    waiter.get();
    EXPECT_EQ(mask, 0u);
}

} // namespace

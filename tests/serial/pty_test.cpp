// The component and the registry on pseudo-terminals published as COM ports.
#include "common/PtyPort.h"
#include "serial/Serial.h"
#include "serial/comm/posix/CustomBaud.h"
#include "serial/comm/posix/PortState.h"
#include "serial/comm/posix/PortTable.h"
#include "serial/comm/posix/TermiosMapping.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <termios.h>
#include <thread>

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

namespace {

// How many of this process's descriptors still refer to the device (also once it is deleted).
int descriptorsOf(const std::string& device) {
    int n = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
        if (target == device || target == device + " (deleted)") {
            ++n;
        }
    }
    return n;
}

// Spins (bounded) until done() holds.
template <typename Done> bool waitUntil(Done done) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!done() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(1ms);
    }
    return done();
}

TEST_F(PtyTest, ReceivedBytesTheEventCharacterAndAnEmptyTransmitQueueReachTheirHandlers) {
    TSerial serial;
    std::mutex mutex;
    std::string received;
    std::atomic<int> eventChars{0};
    std::atomic<int> txEmpty{0};
    serial.OnRxChar = [&](TObject*) {
        const std::string bytes = serial.ReadString(); // in the event thread
        std::lock_guard lock(mutex);
        received += bytes;
    };
    serial.OnEventChar = [&](TObject*) { ++eventChars; };
    serial.OnTxEmpty = [&](TObject*) { ++txEmpty; };
    ASSERT_TRUE(serial.Open());
    ASSERT_TRUE(com1.write("abc"));
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard lock(mutex);
        return received == "abc";
    }));
    EXPECT_EQ(eventChars, 0);
    ASSERT_TRUE(com1.write("def\r"));
    ASSERT_TRUE(waitUntil([&] { return eventChars == 1; }));
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard lock(mutex);
        return received == "abcdef\r";
    }));

    serial.OnRxChar = nullptr; // the write below runs beside the thread's handlers
    EXPECT_EQ(txEmpty, 0);
    EXPECT_EQ(serial.WriteString("out"), 3);
    EXPECT_TRUE(waitUntil([&] { return txEmpty == 1; }));
    EXPECT_EQ(com1.read(3, 2000), "out");
}

// A USB serial device that is still held open keeps its kernel name, so the re-plugged adapter
// would come back under the next one: the device is let go of as soon as the hang-up is seen.
TEST_F(PtyTest, AHangUpReleasesTheDeviceWhetherAWriteOrTheRescanFindsIt) {
    TSerial serial;
    ASSERT_TRUE(serial.Open());
    EXPECT_EQ(descriptorsOf(com1.slavePath()), 2); // ours and the far end's keep-alive
    com1.closeMaster();
    EXPECT_EQ(serial.WriteString("anyone?"), 0);
    EXPECT_EQ(descriptorsOf(com1.slavePath()), 0);
    serial.Close();

    TSerial other;
    other.setCOMPort(3);
    ASSERT_TRUE(other.Open());
    com3.unplug();
    EXPECT_TRUE(registry->Rescan()); // nothing was read or written since the unplug
    EXPECT_FALSE(other.Active());
    EXPECT_EQ(descriptorsOf(com3.slavePath()), 0);
}

TEST_F(PtyTest, AQuickReplugClosesTheOwnerAndTheNewDeviceOpens) {
    TSerial serial;
    serial.OnRxChar = [](TObject*) {}; // a waiting event thread must end as well
    int removed = 0;
    serial.OnCOMRemoved = [&](TObject*) { ++removed; };
    ASSERT_TRUE(serial.Open());
    const std::string oldDevice = com1.slavePath();
    com1.unplug();
    PtyPort replugged(folder, 1);
    EXPECT_TRUE(registry->Rescan()); // the number is present again
    EXPECT_FALSE(serial.Active());
    EXPECT_EQ(removed, 1);
    // The new pseudo-terminal may get the old one's name; then only its keep-alive counts.
    EXPECT_EQ(descriptorsOf(oldDevice), replugged.slavePath() == oldDevice ? 1 : 0);
    EXPECT_EQ(registry->Entry(0).Owner, nullptr);

    ASSERT_TRUE(serial.Open());
    EXPECT_EQ(registry->Entry(0).Owner, &serial);
    EXPECT_EQ(serial.WriteString("again"), 5);
    EXPECT_EQ(replugged.read(5, 2000), "again");
    EXPECT_FALSE(registry->Rescan());
    EXPECT_TRUE(serial.Active());
}

TEST_F(PtyTest, BothSpeedsFollowEveryOpenAlsoAfterACustomRate) {
    TSerial serial;
    comm::DCB dcb{};
    serial.setBaudrate(TBaudrate::br_014400);
    ASSERT_TRUE(serial.Open());
    ASSERT_TRUE(comm::GetCommState(serial.Handle(), &dcb));
    EXPECT_EQ(dcb.BaudRate, 14400u);
    serial.Close();

    serial.setBaudrate(TBaudrate::br_009600);
    ASSERT_TRUE(serial.Open());
    termios tio{};
    ASSERT_EQ(tcgetattr(com1.masterFd(), &tio), 0);
    EXPECT_EQ(cfgetispeed(&tio), B9600);
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    ASSERT_TRUE(comm::GetCommState(serial.Handle(), &dcb));
    EXPECT_EQ(dcb.BaudRate, 9600u);
}

// A pseudo-terminal keeps only the stop bits (it forces 8 data bits without parity), so the
// rest of the framing is checked on the termios record the backend writes and reads.
TEST_F(PtyTest, FramingReachesTheTerminalAndReadsBack) {
    struct Case {
        TDataBits bits;
        TParityBit parity;
        TStopBits stop;
        tcflag_t cflags; // CSIZE, PARENB, PARODD, CMSPAR, CSTOPB as termios holds them
    };
    const Case cases[] = {
        {TDataBits::db_7, TParityBit::even, TStopBits::sb_2, CS7 | PARENB | CSTOPB},
        {TDataBits::db_8, TParityBit::odd, TStopBits::sb_1, CS8 | PARENB | PARODD},
        {TDataBits::db_6, TParityBit::mark, TStopBits::sb_1, CS6 | PARENB | PARODD | CMSPAR},
        {TDataBits::db_5, TParityBit::space, TStopBits::sb_15, CS5 | PARENB | CMSPAR | CSTOPB},
        {TDataBits::db_8, TParityBit::none, TStopBits::sb_1, CS8},
    };
    TSerial serial;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.parity));
        serial.setDataBits(c.bits);
        serial.setParityBit(c.parity);
        serial.setStopBits(c.stop);
        ASSERT_TRUE(serial.Open());
        termios tio{};
        ASSERT_EQ(tcgetattr(com1.masterFd(), &tio), 0);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.stop != TStopBits::sb_1);
        comm::DCB dcb{};
        ASSERT_TRUE(comm::GetCommState(serial.Handle(), &dcb));
        EXPECT_EQ(dcb.StopBits, static_cast<int>(c.stop));
        serial.Close();

        comm::DCB asked{};
        asked.ByteSize = static_cast<comm::BYTE>(static_cast<int>(c.bits) + 4);
        asked.Parity = static_cast<comm::BYTE>(c.parity);
        asked.StopBits = static_cast<comm::BYTE>(c.stop);
        asked.fParity = c.parity != TParityBit::none;
        termios record{};
        ASSERT_TRUE(comm::posix::applyDcb(asked, record));
        EXPECT_EQ(record.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), c.cflags);
        // A byte with a parity error is handed out as it came, not as 0x00.
        EXPECT_EQ(record.c_iflag & (INPCK | IGNPAR | PARMRK), 0u);
        comm::DCB back{};
        comm::posix::readDcb(record, back);
        EXPECT_EQ(back.ByteSize, asked.ByteSize);
        EXPECT_EQ(back.Parity, asked.Parity);
        EXPECT_EQ(back.StopBits, asked.StopBits);
    }
}

} // namespace

namespace {

// Whatever the port folder leaves open, both kinds of USB adapter and the PC's own ports are
// within COM1-COM8, which both programs probe at start; a link wins for its number.
TEST(PortTable, EveryKindOfAdapterIsWithinTheNumbersBothProgramsProbe) {
    PortFolder folder;
    const char* const expected[] = {
        "",           "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyACM1",
        "/dev/ttyS0", "/dev/ttyS1",   "/dev/ttyS2",   "/dev/ttyS3",   "/dev/ttyUSB2"};
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(comm::posix::devicePathOfPort(n), expected[n]);
    }
    EXPECT_EQ(comm::posix::devicePathOfPort(17), "");
    folder.hide(3);
    EXPECT_EQ(comm::posix::devicePathOfPort(3), folder.linkPath(3));
}

TEST(LineSpeed, ARateTheDriverRoundsByMoreThanTheUartToleranceIsRefused) {
    using comm::posix::rateAccepted;
    EXPECT_TRUE(rateAccepted(115200, 115200));
    EXPECT_TRUE(rateAccepted(115200, 115384)); // a typical divisor's rounding
    EXPECT_FALSE(rateAccepted(56000, 57600));
    EXPECT_FALSE(rateAccepted(14400, 0));
}

} // namespace

namespace {

// Nobody reads at the far end, so a write that waited for its bytes would never return.
TEST_F(PtyTest, ANonWaitingWriteReturnsAtOnceAndACloseDropsWhatIsStillQueued) {
    TSerial serial;
    serial.setSyncWait(false);
    ASSERT_TRUE(serial.Open());
    std::string big(300000, 'q');
    big.back() = '!';
    EXPECT_EQ(serial.WriteString(big), static_cast<int>(big.size()));
    EXPECT_EQ(com1.read(big.size(), 10000), big);

    EXPECT_EQ(serial.WriteString(big), static_cast<int>(big.size()));
    serial.Close();
    EXPECT_LT(com1.readSome(1000).size(), big.size());
}

} // namespace

namespace {

// What a pseudo-terminal cannot show: modem lines and the driver's counters of a real UART.
TEST(LineEvents, ModemLinesCountersAndQueuesBecomeTheirEventBits) {
    using comm::posix::lineEvents;
    using comm::posix::LineSnapshot;
    LineSnapshot a;
    a.haveModem = a.haveCounts = true;
    a.modem = TIOCM_CTS | TIOCM_RI;
    LineSnapshot b = a;
    EXPECT_EQ(lineEvents(a, b, false), 0u);
    b.arrived = 1;
    b.eventChars = 1;
    b.modem = TIOCM_DSR | TIOCM_CD; // CTS dropped, DSR and DCD raised, the ring ended
    b.counts.brk = 1;
    b.counts.frame = 2;
    EXPECT_EQ(lineEvents(a, b, false), comm::EV_RXCHAR | comm::EV_RXFLAG | comm::EV_CTS |
                                           comm::EV_DSR | comm::EV_RLSD | comm::EV_RING |
                                           comm::EV_BREAK | comm::EV_ERR);
    EXPECT_EQ(lineEvents(b, a, false), comm::EV_CTS | comm::EV_DSR | comm::EV_RLSD |
                                           comm::EV_BREAK |
                                           comm::EV_ERR); // a ring begins: no event
    LineSnapshot noLines = b;
    noLines.haveModem = noLines.haveCounts = false; // a pseudo-terminal
    EXPECT_EQ(lineEvents(a, noLines, false), comm::EV_RXCHAR | comm::EV_RXFLAG);
    // Pulses shorter than the time between two looks: the lines read the same, the driver
    // counted the changes.
    LineSnapshot pulsed = a;
    pulsed.counts.cts = pulsed.counts.dsr = pulsed.counts.dcd = 2;
    pulsed.counts.rng = 1;
    EXPECT_EQ(lineEvents(a, pulsed, false),
              comm::EV_CTS | comm::EV_DSR | comm::EV_RLSD | comm::EV_RING);
    EXPECT_EQ(lineEvents(a, a, true), comm::EV_TXEMPTY);
    b = a;
    b.outQueue = 5;
    EXPECT_EQ(lineEvents(a, b, true), 0u); // still sending
}

} // namespace

namespace {

// Runs an action after a while unless it is called off first; joined on destruction. Lets the
// far end end a transfer late, so that code which waits for it fails a timing check instead of
// hanging the test.
class Later {
public:
    Later(std::chrono::milliseconds after, std::function<void()> action)
        : m_thread([this, after, action = std::move(action)] {
              std::unique_lock lock(m_mutex);
              if (!m_called.wait_for(lock, after, [this] { return m_off; })) {
                  action();
              }
          }) {}
    ~Later() {
        {
            std::lock_guard lock(m_mutex);
            m_off = true;
        }
        m_called.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_called;
    bool m_off = false;
    std::thread m_thread;
};

// A handler of the event thread blocked in a transfer that only the far end could end (a read
// without timeout, a write nobody takes) neither keeps Close or a port removal waiting nor
// races them: the transfer is ended, the handler returns, then the handle goes.
TEST_F(PtyTest, CloseAndRemovalEndAHandlerBlockedInATransfer) {
    struct Case {
        bool write;
        bool removal;
        PtyPort* port;
    };
    const std::string big(300000, 'w');
    for (const Case c : {Case{false, false, &com1}, Case{true, false, &com1},
                         Case{false, true, &com1}, Case{true, true, &com3}}) {
        SCOPED_TRACE(std::to_string(c.write) + std::to_string(c.removal));
        TSerial serial;
        serial.setCOMPort(c.port->number());
        std::atomic<bool> inside{false};
        std::atomic<long> result{-1};
        serial.OnRxChar = [&](TObject*) {
            if (inside.exchange(true)) {
                return;
            }
            char buf[64];
            result = c.write ? serial.WriteString(big) : serial.ReadBuf(buf, sizeof buf);
            if (!c.write) {
                serial.WriteString(big); // an answer begun after the abort is ended as well
            }
        };
        ASSERT_TRUE(serial.Open());
        ASSERT_TRUE(c.port->write("go"));
        ASSERT_TRUE(waitUntil([&] { return inside.load(); }));
        std::this_thread::sleep_for(50ms); // the transfer is under way
        Later farEnd(3s, [&] {
            (void)c.port->write(std::string(64, 'r'));
            (void)c.port->read(big.size(), 5000);
        });
        const auto start = std::chrono::steady_clock::now();
        if (c.removal) {
            folder.hide(c.port->number());
            EXPECT_TRUE(registry->Rescan());
        } else {
            serial.Close();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        EXPECT_FALSE(serial.Active());
        EXPECT_GE(result.load(), 0); // the handler has returned
        EXPECT_LT(result.load(), c.write ? static_cast<long>(big.size()) : 64);
    }
}

// Bytes that arrive while a handler works are signalled: also when the wait took them off the
// device after the handler had emptied the queue, and an event character that the handler's
// own read took straight from the device.
TEST_F(PtyTest, BytesAndEventCharactersArrivingWhileAHandlerWorksAreSignalled) {
    TSerial serial;
    std::mutex mutex;
    std::string received;
    std::atomic<int> calls{0};
    std::atomic<int> eventChars{0};
    std::atomic<bool> workFirst{false};
    serial.OnRxChar = [&](TObject*) {
        const bool slow = ++calls == 1;
        if (slow && workFirst) {
            std::this_thread::sleep_for(60ms);
        }
        const std::string bytes = serial.ReadString();
        {
            std::lock_guard lock(mutex);
            received += bytes;
        }
        if (slow && !workFirst) {
            std::this_thread::sleep_for(60ms);
        }
    };
    serial.OnEventChar = [&](TObject*) { ++eventChars; };
    auto receivedIs = [&](const std::string& text) {
        return waitUntil([&] {
            std::lock_guard lock(mutex);
            return received == text;
        });
    };
    ASSERT_TRUE(serial.Open());
    ASSERT_TRUE(com1.write("abcdef"));
    ASSERT_TRUE(waitUntil([&] { return calls == 1; }));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(com1.write("xy"));
    EXPECT_TRUE(receivedIs("abcdefxy"));

    calls = 0;
    workFirst = true;
    ASSERT_TRUE(com1.write("abc"));
    ASSERT_TRUE(waitUntil([&] { return calls == 1; }));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(com1.write("d\r"));
    EXPECT_TRUE(receivedIs("abcdefxyabcd\r"));
    EXPECT_TRUE(waitUntil([&] { return eventChars == 1; }));
}

// Without SyncWait a write the far end does not take runs on; a read meanwhile hands out what
// waits at once.
TEST_F(PtyTest, AReadNeverWaitsForAWriteStillUnderWay) {
    TSerial serial;
    serial.setSyncWait(false);
    ASSERT_TRUE(serial.Open());
    const std::string big(300000, 'q');
    EXPECT_EQ(serial.WriteString(big), static_cast<int>(big.size()));
    Later farEnd(3s, [&] { (void)com1.read(big.size(), 5000); });
    ASSERT_TRUE(com1.write("rs"));
    ASSERT_TRUE(waitUntil([&] { return serial.InQueCount() == 2; }));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(serial.ReadString(), "rs");
    ASSERT_TRUE(com1.write("t"));
    ASSERT_TRUE(waitUntil([&] { return serial.InQueCount() == 1; }));
    char byte = 0;
    EXPECT_EQ(serial.ReadBuf(&byte, 1), 1);
    EXPECT_EQ(byte, 't');
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

} // namespace

namespace {

// What Linux cannot carry out is refused at the open with its reason, never dropped (the
// programs' own settings open in the tests above).
TEST_F(PtyTest, SettingsThePlatformCannotApplyAreRefusedWithTheirReason) {
    using Set = std::function<void(TSerial&)>;
    const std::pair<Set, std::string> refused[] = {
        {[](TSerial& s) { s.setStopBits(TStopBits::sb_15); },
         "1,5 Stoppbits gibt es nur mit 5 Datenbits"},
        {[](TSerial& s) {
             s.setDataBits(TDataBits::db_5);
             s.setStopBits(TStopBits::sb_2);
         },
         "2 Stoppbits gibt es nicht mit 5 Datenbits"},
        {[](TSerial& s) { s.setDataBits(TDataBits::db_4); }, "nur 5 bis 8 Datenbits sind möglich"},
        {[](TSerial& s) { s.setHandshakeDtrDsr(true); },
         "DTR/DSR-Handshake wird unter Linux nicht unterstützt"},
        {[](TSerial& s) { s.setUseErrorChar(true); },
         "Ersatzzeichen für gestörte Bytes wird unter Linux nicht unterstützt"},
        {[](TSerial& s) { s.setEliminateNullChar(true); },
         "Verwerfen von Nullbytes wird unter Linux nicht unterstützt"},
        {[](TSerial& s) { s.setAbortOnError(true); },
         "Abbruch bei Leitungsfehlern wird unter Linux nicht unterstützt"},
    };
    for (const auto& [set, reason] : refused) {
        TSerial serial;
        set(serial);
        EXPECT_FALSE(serial.Open());
        EXPECT_EQ(serial.OpenFailure(), "SetCommState: " + reason);
    }
    TSerial fiveBits; // the stop bits a UART gives 5 data bits when asked for 2
    fiveBits.setDataBits(TDataBits::db_5);
    fiveBits.setStopBits(TStopBits::sb_15);
    EXPECT_TRUE(fiveBits.Open()) << fiveBits.OpenFailure();
}

} // namespace

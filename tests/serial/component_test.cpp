// The serial component's properties and its open and close against the scripted backend.
#include "FakeComm.h"
#include "serial/Serial.h"
#include "serial/StoredLayout.h"

#include <gtest/gtest.h>

using namespace comm;

namespace {

TEST(SerialProperties, ANewComponentStartsClosedOnTheFirstPortWithTheInitialValues) {
    FakeSerialWorld world{2, 3};
    TSerial s;
    EXPECT_FALSE(s.Active());
    EXPECT_EQ(s.Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(s.COMPort(), 2);
    EXPECT_EQ(s.BoundSlots(), TSerial::SlotKind::Closed);
    EXPECT_TRUE(s.IsNTPlatform());
    ASSERT_NE(world.comm.last("GetVersionEx"), nullptr);
    EXPECT_EQ(world.comm.last("GetVersionEx")->args[0], 148);

    EXPECT_EQ(s.ThreadPriority(), TThreadPriority::tpNormal);
    EXPECT_EQ(s.Baudrate(), TBaudrate::br_009600);
    EXPECT_EQ(s.DataBits(), TDataBits::db_8);
    EXPECT_EQ(s.ParityBit(), TParityBit::none);
    EXPECT_EQ(s.StopBits(), TStopBits::sb_1);
    EXPECT_EQ(s.BufSizeTrm(), 2048);
    EXPECT_EQ(s.BufSizeRec(), 2048);
    EXPECT_FALSE(s.HandshakeRtsCts() || s.HandshakeDtrDsr() || s.HandshakeXOnXOff());
    EXPECT_FALSE(s.RTSActive() || s.DTRActive());
    EXPECT_EQ(s.XOnChar(), 17);
    EXPECT_EQ(s.XOffChar(), 19);
    EXPECT_EQ(s.XOffLimit(), 1600);
    EXPECT_EQ(s.XOnLimit(), 400);
    EXPECT_EQ(s.ErrorChar(), '?');
    EXPECT_EQ(s.EofChar(), 26);
    EXPECT_EQ(s.EventChar(), 13);
    EXPECT_EQ(s.DataSize(), 0);
    EXPECT_FALSE(s.ParityCheck() || s.ContinueOnXOff() || s.UseErrorChar() ||
                 s.EliminateNullChar() || s.AbortOnError());
    EXPECT_EQ(s.RecTimeOut(), 0);
    EXPECT_EQ(s.TrmTimeOut(), 0);
    EXPECT_FALSE(s.SyncEventHandling());
    EXPECT_TRUE(s.EnableEvents());
    EXPECT_TRUE(s.SyncWait());
}

TEST(SerialProperties, WithNoPortsTheComponentHasPortZeroAndNeverTouchesADevice) {
    FakeSerialWorld world{};
    TSerial s;
    EXPECT_EQ(s.COMPort(), 0);
    s.setActive(true);
    EXPECT_FALSE(s.Active());
    EXPECT_EQ(world.comm.count("CreateFile"), 0);
}

TEST(SerialProperties, COMPortTakesOnlyRegisteredNumbersOrZero) {
    FakeSerialWorld world{1, 2, 3, 4};
    TSerial s;
    s.setCOMPort(5);
    EXPECT_EQ(s.COMPort(), 1);
    s.setCOMPort(3);
    EXPECT_EQ(s.COMPort(), 3);
    s.setCOMPort(0);
    EXPECT_EQ(s.COMPort(), 0);
    s.setCOMPort(-1);
    EXPECT_EQ(s.COMPort(), 0);

    s.SelectPortIndex(3);
    EXPECT_EQ(s.COMPort(), 4);
    s.SelectPortIndex(4);
    s.SelectPortIndex(-1);
    EXPECT_EQ(s.COMPort(), 4);
}

TEST(SerialProperties, AStoredPortThatIsMissingLeavesTheFirstRegisteredPortOrZero) {
    FakeSerialWorld world{3, 7};
    TSerial s;
    s.setCOMPort(1); // the layout says COM1, this PC has none
    EXPECT_EQ(s.COMPort(), 3);

    FakeSerialWorld empty{};
    TSerial t;
    LoadStoredLayout(t, 1, TBaudrate::br_009600);
    EXPECT_EQ(t.COMPort(), 0);
    t.setActive(true);
    EXPECT_FALSE(t.Active());
}

TEST(SerialProperties, FlowLimitsFollowTheReceiveBufferAndEachOther) {
    FakeSerialWorld world{1};
    TSerial s;
    s.setBufSizeRec(1000);
    EXPECT_EQ(s.XOffLimit(), 1000);
    EXPECT_EQ(s.XOnLimit(), 400);
    s.setBufSizeRec(300);
    EXPECT_EQ(s.XOffLimit(), 300);
    EXPECT_EQ(s.XOnLimit(), 299);
    s.setBufSizeRec(5);
    EXPECT_EQ(s.BufSizeRec(), 16);
    EXPECT_EQ(s.XOffLimit(), 16);
    EXPECT_EQ(s.XOnLimit(), 15);

    TSerial t;
    t.setXOnLimit(5000);
    EXPECT_EQ(t.XOnLimit(), 1599);
    TSerial u;
    u.setXOffLimit(100);
    EXPECT_EQ(u.XOffLimit(), 401);
    u.setXOffLimit(9000);
    EXPECT_EQ(u.XOffLimit(), 2048);
    u.setXOnLimit(-3);
    EXPECT_EQ(u.XOnLimit(), 0);
}

// A stored layout writes XOffLimit while the initial XOnLimit 400 is still in force.
TEST(SerialProperties, TheProgramsStoredLayoutKeepsTheInitialValuesButPortAndRate) {
    FakeSerialWorld world{3, 7};
    TSerial fresh;
    TSerial s;
    s.setXOffLimit(900); // the layout must put every property back, not only some
    s.setHandshakeRtsCts(true);
    LoadStoredLayout(s, 1, TBaudrate::br_115200);
    EXPECT_EQ(s.COMPort(), 3); // COM1 is missing here
    EXPECT_EQ(s.Baudrate(), TBaudrate::br_115200);
    TSerialSettings expected = fresh.GetSettings();
    expected.Baudrate = static_cast<std::uint8_t>(TBaudrate::br_115200);
    EXPECT_EQ(s.GetSettings(), expected);
}

TEST(SerialProperties, ALayoutWithLowLimitsLoadsInDeclarationOrder) {
    FakeSerialWorld world{1};
    TSerial s;
    s.setXOffLimit(300);
    s.setXOnLimit(100);
    EXPECT_EQ(s.XOffLimit(), 401);
    EXPECT_EQ(s.XOnLimit(), 100);
}

TEST(SerialProperties, LowerBoundsOfSizesTimeoutsAndDataSize) {
    FakeSerialWorld world{1};
    TSerial s;
    s.setBufSizeTrm(0);
    EXPECT_EQ(s.BufSizeTrm(), 16);
    s.setRecTimeOut(-5);
    EXPECT_EQ(s.RecTimeOut(), 0);
    s.setTrmTimeOut(-1);
    EXPECT_EQ(s.TrmTimeOut(), 0);
    s.setDataSize(5000);
    EXPECT_EQ(s.DataSize(), 2048);
    s.setDataSize(-1);
    EXPECT_EQ(s.DataSize(), 0);
}

TEST(SerialProperties, ParityCheckFollowsParity) {
    FakeSerialWorld world{1};
    TSerial s;
    s.setParityBit(TParityBit::even);
    EXPECT_TRUE(s.ParityCheck());
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.dcb.fParity, 1u);
    EXPECT_EQ(world.comm.dcb.Parity, EVENPARITY);
    s.Close();
    s.setParityBit(TParityBit::none);
    EXPECT_FALSE(s.ParityCheck());
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.dcb.fParity, 0u);
    EXPECT_EQ(world.comm.dcb.Parity, NOPARITY);
}

// ---------------------------------------------------------------------------------------------

TEST(SerialOpen, CallsThePlatformInOrderWithTheFixedArguments) {
    FakeSerialWorld world{1, 2};
    TSerial s;
    s.setBufSizeRec(4000);
    s.setBufSizeTrm(1000);
    world.comm.clear();
    ASSERT_TRUE(s.Open());
    EXPECT_TRUE(s.Active());
    EXPECT_EQ(world.comm.names(),
              (std::vector<std::string>{"CreateFile", "SetupComm", "BuildCommDCB", "SetCommState",
                                        "SetCommMask"}));
    const auto* create = world.comm.last("CreateFile");
    EXPECT_EQ(create->text, "COM1");
    EXPECT_EQ(create->args, (std::vector<long long>{GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED}));
    EXPECT_EQ(world.comm.last("SetupComm")->args,
              (std::vector<long long>{FakeComm::kHandle, 4000, 1000}));
    EXPECT_EQ(world.comm.last("BuildCommDCB")->text, "baud=9600 parity=N data=8 stop=1");
    EXPECT_EQ(world.comm.last("BuildCommDCB")->args[0], 28);
    EXPECT_EQ(world.comm.last("SetCommMask")->args[1], 0);
    EXPECT_FALSE(s.EventThread()); // no handler: no thread
    EXPECT_EQ(s.Handle(), FakeComm::kHandle);
    EXPECT_EQ(s.BoundSlots(), TSerial::SlotKind::Waiting);
    EXPECT_EQ(world.registry->Entry(0).Owner, &s);
}

TEST(SerialOpen, PortsFromTenUpUseTheLongDeviceName) {
    FakeSerialWorld world{9, 10, 99};
    world.registry->ScanPorts(99);
    TSerial s;
    s.setCOMPort(9);
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.last("CreateFile")->text, "COM9");
    s.Close();
    s.setCOMPort(10);
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.last("CreateFile")->text, "\\\\.\\COM10");
    s.Close();
    s.setCOMPort(99);
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.last("CreateFile")->text, "\\\\.\\COM99");
}

TEST(SerialOpen, TheDcbCarriesEveryLineSetting) {
    FakeSerialWorld world{1};
    TSerial s;
    s.setBaudrate(TBaudrate::br_057600);
    s.setDataBits(TDataBits::db_7);
    s.setParityBit(TParityBit::mark);
    s.setStopBits(TStopBits::sb_2);
    s.setHandshakeDtrDsr(true);
    s.setHandshakeXOnXOff(true);
    s.setContinueOnXOff(true);
    s.setUseErrorChar(true);
    s.setEliminateNullChar(true);
    s.setAbortOnError(true);
    s.setXOnChar('A');
    s.setXOffChar('B');
    s.setErrorChar('C');
    s.setEofChar('D');
    s.setEventChar('E');
    s.setBufSizeRec(70000);
    s.setXOffLimit(66000);
    s.setXOnLimit(500);
    ASSERT_TRUE(s.Open());
    const DCB& d = world.comm.dcb;
    EXPECT_EQ(d.DCBlength, 28u);
    EXPECT_EQ(d.BaudRate, 57600u);
    EXPECT_EQ(d.ByteSize, 7);
    EXPECT_EQ(d.Parity, MARKPARITY);
    EXPECT_EQ(d.StopBits, TWOSTOPBITS);
    // fBinary, fParity, fOutxDsrFlow, DTR handshake, fTXContinueOnXoff, fOutX, fInX,
    // fErrorChar, fNull, fAbortOnError; RTS disabled.
    EXPECT_EQ(dcbFlags(d),
              0x1u | 0x2u | 0x8u | (2u << 4) | 0x80u | 0x100u | 0x200u | 0x400u | 0x800u | 0x4000u);
    EXPECT_EQ(d.XonLim, 500);
    EXPECT_EQ(d.XoffLim, 66000 & 0xFFFF); // the low 16 bits only
    EXPECT_EQ(d.XonChar, 'A');
    EXPECT_EQ(d.XoffChar, 'B');
    EXPECT_EQ(d.ErrorChar, 'C');
    EXPECT_EQ(d.EofChar, 'D');
    EXPECT_EQ(d.EvtChar, 'E');
    // What BuildCommDCB left in the fields that the component does not set stays.
    EXPECT_EQ(d.wReserved, 0x5A5A);
    EXPECT_EQ(d.wReserved1, 0xA5A5);
}

TEST(SerialOpen, RtsAndDtrControlFollowHandshakeBeforeTheActiveFlags) {
    FakeSerialWorld world{1};
    TSerial s;
    s.setHandshakeRtsCts(true);
    s.setRTSActive(false);
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.dcb.fOutxCtsFlow, 1u);
    EXPECT_EQ(world.comm.dcb.fRtsControl, RTS_CONTROL_HANDSHAKE);
    EXPECT_EQ(world.comm.dcb.fDtrControl, DTR_CONTROL_DISABLE);
    s.Close();

    // The handshakes win over the active flags.
    s.setRTSActive(true);
    s.setDTRActive(true);
    s.setHandshakeDtrDsr(true);
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.dcb.fRtsControl, RTS_CONTROL_HANDSHAKE);
    EXPECT_EQ(world.comm.dcb.fDtrControl, DTR_CONTROL_HANDSHAKE);
    EXPECT_EQ(world.comm.dcb.fOutxDsrFlow, 1u);
    s.Close();

    s.setHandshakeRtsCts(false);
    s.setHandshakeDtrDsr(false);
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.dcb.fOutxCtsFlow, 0u);
    EXPECT_EQ(world.comm.dcb.fRtsControl, RTS_CONTROL_ENABLE);
    EXPECT_EQ(world.comm.dcb.fDtrControl, DTR_CONTROL_ENABLE);
    EXPECT_EQ(dcbFlags(world.comm.dcb), 0x1u | (1u << 4) | (1u << 12));
}

TEST(SerialOpen, TimeoutsScaleWithTheBitRate) {
    FakeSerialWorld world{1};
    TSerial s;
    s.setBaudrate(TBaudrate::br_115200);
    s.setRecTimeOut(500);
    ASSERT_TRUE(s.Open());
    const COMMTIMEOUTS& t = world.comm.timeouts;
    EXPECT_EQ(t.ReadIntervalTimeout, 500u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 1u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 500u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 0u);
    s.Close();

    s.setBaudrate(TBaudrate::br_000110);
    s.setRecTimeOut(0);
    s.setTrmTimeOut(250);
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.timeouts.ReadIntervalTimeout, 0u);
    EXPECT_EQ(world.comm.timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(world.comm.timeouts.WriteTotalTimeoutMultiplier, 90u);
    EXPECT_EQ(world.comm.timeouts.WriteTotalTimeoutConstant, 250u);
}

TEST(SerialOpen, NoTimeoutsLeaveTheDriverAloneAndAFailedSetIsIgnored) {
    FakeSerialWorld world{1};
    TSerial s;
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.count("SetCommTimeouts"), 0);
    s.Close();
    s.setTrmTimeOut(10);
    world.comm.failures["SetCommTimeouts"] = ERROR_INVALID_PARAMETER;
    EXPECT_TRUE(s.Open());
    EXPECT_EQ(world.comm.count("SetCommTimeouts"), 1);
}

class SerialOpenFailure : public ::testing::TestWithParam<const char*> {};

TEST_P(SerialOpenFailure, AFailedStepClosesTheHandleAndSkipsTheRest) {
    FakeSerialWorld world{1};
    TSerial s;
    const std::string step = GetParam();
    world.comm.failures[step] = ERROR_ACCESS_DENIED;
    world.comm.clear();
    EXPECT_FALSE(s.Open());
    EXPECT_FALSE(s.Active());
    EXPECT_EQ(s.Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(s.BoundSlots(), TSerial::SlotKind::Closed);
    EXPECT_EQ(world.registry->Entry(0).Owner, nullptr);
    EXPECT_EQ(world.comm.openHandles, 0);

    const std::vector<std::string> steps{"CreateFile", "SetupComm", "BuildCommDCB", "SetCommState",
                                         "SetCommMask"};
    std::vector<std::string> expected;
    for (const auto& name : steps) {
        expected.push_back(name);
        if (name == step) {
            break;
        }
    }
    if (step != "CreateFile") {
        expected.push_back("CloseHandle");
    }
    EXPECT_EQ(world.comm.names(), expected);
    EXPECT_EQ(s.WriteString("x"), 0);
    EXPECT_EQ(s.OpenFailure(), step + ": Fehler 5");
    world.comm.failures.clear();
    EXPECT_TRUE(s.Open());
    EXPECT_EQ(s.OpenFailure(), "");
}

INSTANTIATE_TEST_SUITE_P(EachStep, SerialOpenFailure,
                         ::testing::Values("CreateFile", "SetupComm", "BuildCommDCB",
                                           "SetCommState", "SetCommMask"));

TEST(SerialOpen, OpeningAnOpenPortReportsFalseAndKeepsItOpen) {
    FakeSerialWorld world{1};
    TSerial s;
    ASSERT_TRUE(s.Open());
    world.comm.clear();
    EXPECT_FALSE(s.Open());
    s.setActive(true);
    EXPECT_TRUE(s.Active());
    EXPECT_TRUE(world.comm.calls.empty());
}

TEST(SerialOpen, SettingsWrittenWhileOpenWaitForTheNextOpen) {
    FakeSerialWorld world{1};
    TSerial s;
    ASSERT_TRUE(s.Open());
    world.comm.clear();
    s.setBaudrate(TBaudrate::br_115200);
    s.setHandshakeRtsCts(true);
    EXPECT_TRUE(world.comm.calls.empty());
    EXPECT_EQ(world.comm.dcb.BaudRate, 9600u);
    s.Close();
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.dcb.BaudRate, 115200u);
}

TEST(SerialOpen, AssignedHandlersMakeUpTheEventMask) {
    FakeSerialWorld world{1};
    TSerial s;
    s.OnData = [](TObject*) {};
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.last("SetCommMask")->args[1], EV_RXCHAR);
    s.Close();
    const TNotifyEvent any = [](TObject*) {};
    s.OnBreak = s.OnCts = s.OnDsr = s.OnError = s.OnRing = s.OnDcd = any;
    s.OnRxChar = s.OnEventChar = s.OnTxEmpty = any;
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(world.comm.last("SetCommMask")->args[1], 0x1FF);
}

TEST(SerialClose, ClearsTheMaskClosesTheHandleAndReleasesThePort) {
    FakeSerialWorld world{1};
    TSerial s;
    ASSERT_TRUE(s.Open());
    world.comm.clear();
    world.comm.outQueue = 900; // held back by flow control: dropped, not waited for
    s.setActive(false);
    EXPECT_FALSE(s.Active());
    EXPECT_EQ(world.comm.names(),
              (std::vector<std::string>{"SetCommMask", "PurgeComm", "CloseHandle"}));
    EXPECT_EQ(world.comm.last("SetCommMask")->args[1], 0);
    EXPECT_EQ(world.comm.last("PurgeComm")->args[1], PURGE_TXABORT | PURGE_TXCLEAR);
    EXPECT_EQ(s.Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(s.BoundSlots(), TSerial::SlotKind::Closed);
    EXPECT_EQ(world.registry->Entry(0).Owner, nullptr);

    world.comm.clear();
    s.Close();
    EXPECT_TRUE(world.comm.calls.empty());
}

TEST(SerialClose, DestroyingAnOpenComponentClosesItsPort) {
    FakeSerialWorld world{1};
    {
        TSerial s;
        ASSERT_TRUE(s.Open());
    }
    EXPECT_EQ(world.comm.openHandles, 0);
    EXPECT_EQ(world.registry->Entry(0).Owner, nullptr);
}

// A port number changed while open must not leave the component registered as owner of the
// port it really had open, or a later removal would reach a component that may be gone.
TEST(SerialClose, ChangingThePortWhileOpenLeavesNoStaleOwner) {
    FakeSerialWorld world{1, 2};
    auto s = std::make_unique<TSerial>();
    ASSERT_TRUE(s->Open());
    s->setCOMPort(2);
    s.reset();
    EXPECT_EQ(world.registry->Entry(0).Owner, nullptr);
    EXPECT_EQ(world.registry->Entry(1).Owner, nullptr);
    world.comm.presentNames.clear();
    EXPECT_TRUE(world.registry->Rescan());
}

TEST(SerialPlatform, OlderPlatformsGetTheImmediateTransfers) {
    FakeSerialWorld world{1};
    world.comm.ntPlatform = false;
    TSerial s;
    EXPECT_FALSE(s.IsNTPlatform());
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(s.BoundSlots(), TSerial::SlotKind::Immediate);
    world.comm.rx = "abc";
    EXPECT_EQ(s.ReadString(), "abc");
    EXPECT_EQ(s.WriteString("xy"), 2);
}

} // namespace

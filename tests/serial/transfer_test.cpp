// The component's transfers and queue counts against the scripted backend.
#include "FakeComm.h"
#include "serial/Serial.h"

#include <gtest/gtest.h>
#include <set>

using namespace comm;

namespace {

class Transfers : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(serial.Open());
        world.comm.clear();
    }
    FakeSerialWorld world{1};
    TSerial serial;
};

TEST(ClosedTransfers, ReturnNothingWithoutTouchingThePlatform) {
    FakeSerialWorld world{1};
    TSerial s;
    world.comm.clear();
    world.comm.rx = "waiting";
    char buf[4];
    EXPECT_EQ(s.ReadString(), "");
    EXPECT_EQ(s.WriteString("abc"), 0);
    EXPECT_EQ(s.ReadBuf(buf, 4), 0);
    EXPECT_EQ(s.WriteBuf("abc", 3), 0);
    std::uint32_t in = 7, out = 7;
    s.QueueCounts(in, out);
    EXPECT_EQ(in, 0u);
    EXPECT_EQ(out, 0u);
    EXPECT_TRUE(world.comm.calls.empty());
}

TEST_F(Transfers, ReadStringTakesExactlyTheWaitingBytes) {
    EXPECT_EQ(serial.ReadString(), "");
    EXPECT_EQ(world.comm.count("ReadFile"), 0);

    world.comm.rx = std::string(37, 'a');
    EXPECT_EQ(serial.ReadString(), std::string(37, 'a'));
    EXPECT_EQ(world.comm.last("ReadFile")->args[1], 37);
    EXPECT_EQ(serial.ReadString(), "");
}

// A read that delivers fewer bytes than were counted must not pad the text with bytes that
// never arrived.
TEST_F(Transfers, ReadStringIsCutToWhatTheReadDelivered) {
    world.comm.rx = "0123456789";
    world.comm.readDeliversAtMost = 4;
    EXPECT_EQ(serial.ReadString(), "0123");
    world.comm.failures["ReadFile"] = ERROR_GEN_FAILURE;
    EXPECT_EQ(serial.ReadString(), "");
}

TEST_F(Transfers, ReadStringIsEmptyWhenTheQueueCannotBeCounted) {
    world.comm.rx = "abc";
    world.comm.failures["ClearCommError"] = ERROR_DEVICE_REMOVED;
    EXPECT_EQ(serial.ReadString(), "");
    EXPECT_EQ(serial.InQueCount(), 0u);
    EXPECT_EQ(world.comm.count("ReadFile"), 0);
}

TEST_F(Transfers, APendingReadIsCompletedWaitingAsSyncWaitSays) {
    world.comm.rx = "pending";
    world.comm.readsPend = true;
    EXPECT_EQ(serial.ReadString(), "pending");
    EXPECT_EQ(world.comm.last("GetOverlappedResult")->args[1], 1);
    EXPECT_EQ(world.comm.count("CancelIoEx"), 0);
}

// Without SyncWait a pending read still running is cancelled (that read alone) and completed
// before the call returns, so the platform never writes into a text that has been handed back.
TEST_F(Transfers, AReadThatIsStillRunningIsCancelledWhenNotWaiting) {
    serial.setSyncWait(false);
    world.comm.rx = "slow";
    world.comm.readsPend = true;
    world.comm.pendingStaysIncomplete = true;
    EXPECT_EQ(serial.ReadString(), "slow");
    EXPECT_EQ(world.comm.names(),
              (std::vector<std::string>{"ClearCommError", "ReadFile", "GetOverlappedResult",
                                        "CancelIoEx", "GetOverlappedResult"}));
    EXPECT_EQ(world.comm.calls[2].args[1], 0);
    EXPECT_EQ(world.comm.calls[3].args[1], world.comm.calls[1].args[2]); // the read's record
    EXPECT_EQ(world.comm.calls[4].args[1], 1);
}

TEST_F(Transfers, ReadBufAsksForTheCountOrOnlyWhatWaits) {
    char buf[16] = {};
    EXPECT_EQ(serial.ReadBuf(buf, 0), 0);
    EXPECT_EQ(world.comm.count("ReadFile"), 0);

    world.comm.rx = "abc";
    EXPECT_EQ(serial.ReadBuf(buf, 10), 3);
    EXPECT_EQ(world.comm.last("ReadFile")->args[1], 10); // SyncWait: wait for all ten
    EXPECT_EQ(std::string(buf, 3), "abc");

    serial.setSyncWait(false);
    world.comm.rx = "defgh";
    EXPECT_EQ(serial.ReadBuf(buf, 10), 5);
    EXPECT_EQ(world.comm.last("ReadFile")->args[1], 5);
    world.comm.rx = "ijk";
    EXPECT_EQ(serial.ReadBuf(buf, 2), 2);
    EXPECT_EQ(world.comm.last("ReadFile")->args[1], 2);
}

TEST_F(Transfers, WritesSendExactlyTheBytesAndReportTheCount) {
    const std::string text("m\0\r\n\xff", 5);
    EXPECT_EQ(serial.WriteString(text), 5);
    EXPECT_EQ(serial.WriteBuf("xyz", 3), 3);
    EXPECT_EQ(world.comm.tx, text + "xyz");
    world.comm.failures["WriteFile"] = ERROR_GEN_FAILURE;
    EXPECT_EQ(serial.WriteString("lost"), 0);
}

TEST_F(Transfers, AWaitingWriteCompletesAndANonWaitingOneReturnsAtOnce) {
    world.comm.writesPend = true;
    EXPECT_EQ(serial.WriteString("abcd"), 4);
    EXPECT_EQ(world.comm.last("GetOverlappedResult")->args[1], 1);
    EXPECT_EQ(world.comm.tx, "abcd");

    // Without SyncWait the write runs on in the component's own copy of the bytes: the
    // caller's text is gone before the platform takes them.
    serial.setSyncWait(false);
    world.comm.pendingStaysIncomplete = true;
    world.comm.clear();
    {
        std::string text = "ef";
        EXPECT_EQ(serial.WriteString(text), 2);
        text.assign("XY");
    }
    EXPECT_EQ(world.comm.names(), (std::vector<std::string>{"WriteFile", "GetOverlappedResult"}));
    EXPECT_EQ(world.comm.last("GetOverlappedResult")->args[1], 0);
    EXPECT_EQ(world.comm.tx, "abcd");

    // A read meanwhile does not wait for it; the next write, and the close, do.
    world.comm.clear();
    world.comm.rx = "r";
    EXPECT_EQ(serial.ReadString(), "r");
    EXPECT_EQ(world.comm.names(), (std::vector<std::string>{"ClearCommError", "ReadFile"}));
    EXPECT_EQ(world.comm.tx, "abcd");
    EXPECT_EQ(serial.WriteBuf("gh", 2), 2);
    EXPECT_EQ(world.comm.tx, "abcdef");
    EXPECT_EQ(world.comm.calls[2].name, "GetOverlappedResult");
    EXPECT_EQ(world.comm.calls[2].args[1], 1);
    world.comm.clear();
    serial.Close();
    EXPECT_EQ(world.comm.tx, "abcdefgh");
    EXPECT_EQ(world.comm.names(), (std::vector<std::string>{"SetCommMask", "PurgeComm",
                                                            "GetOverlappedResult", "CloseHandle"}));
    EXPECT_EQ(world.comm.count("CancelIoEx"), 0);
}

TEST_F(Transfers, ReadsShareOneOverlappedRecordAndWritesAnother) {
    world.comm.rx = "ab";
    serial.ReadString();
    serial.WriteString("c");
    char b;
    world.comm.rx = "d";
    serial.ReadBuf(&b, 1);
    serial.WriteBuf("e", 1);
    std::set<long long> reads;
    std::set<long long> writes;
    for (const auto& c : world.comm.calls) {
        if (c.name == "ReadFile" || c.name == "WriteFile") {
            (c.name == "ReadFile" ? reads : writes).insert(c.args[2]);
        }
    }
    EXPECT_EQ(reads.size(), 1u);
    EXPECT_EQ(writes.size(), 1u);
    EXPECT_NE(*reads.begin(), *writes.begin());
    EXPECT_NE(*reads.begin(), 0);
}

TEST_F(Transfers, QueueCountsComeFromTheStatusAndIgnoreTheErrorFlags) {
    world.comm.rx = "12345";
    world.comm.outQueue = 9;
    std::uint32_t in = 0, out = 0;
    serial.QueueCounts(in, out);
    EXPECT_EQ(in, 5u);
    EXPECT_EQ(out, 9u);
    EXPECT_EQ(serial.InQueCount(), 5u);
    world.comm.failures["ClearCommError"] = ERROR_GEN_FAILURE;
    serial.QueueCounts(in, out);
    EXPECT_EQ(in, 0u);
    EXPECT_EQ(out, 0u);
}

} // namespace

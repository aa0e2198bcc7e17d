// Requests on the simulated LAN: the exact cost of a wait, and replies that are not ours. What
// the requests bring back is checked by the command line (tests/lan/commands_test.sh).
#include <gtest/gtest.h>

#include <utility>

#include "protocol/discovery.h"
#include "protocol/requests.h"
#include "support/protocol_state.h"

namespace vidudi {
namespace {

using testing::Adapter;
using testing::AttachDevice;
using Bytes = SimulatedLan::Bytes;

class RequestsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ResetProtocolState();
        UseTransport(&lan);
        lan.AddLocalAddress("10.77.1.2", 1);
    }
    void TearDown() override { testing::ResetProtocolState(); }

    // Starts the network, finds the devices, and chooses the one at `address`.
    void Choose(const char* address) {
        ASSERT_TRUE(StartNetwork());
        SearchDevices(kDeviceFilter);
        CopyText(g_szTargetIP, address);
        ASSERT_TRUE(FindDeviceByAddress(address));
    }

    // Runs an operation: its virtual duration in milliseconds, and its result.
    using Took = std::pair<std::int64_t, int>;
    template <typename Operation>
    Took Timed(Operation operation) {
        const std::int64_t start = lan.NowMicros();
        const int result = operation();
        return {(lan.NowMicros() - start) / 1000, result};
    }

    // A peer that answers each request of op `requestOp` with `reply`, with the request's tag.
    void AnswerWith(std::uint8_t requestOp, Bytes reply) {
        lan.AttachPeer(1, [=](SimulatedLan& on, int segment, const Bytes& request) {
            if (request.empty() || request[0] != requestOp) return;
            Bytes answer = reply;
            std::copy(request.begin() + 1, request.begin() + 11, answer.begin() + 1);
            on.Deliver(segment, answer, on.NowMicros());
        });
    }

    static Bytes ReplyFrom(std::uint8_t op, std::uint8_t lastOctet) {
        Bytes bytes(28, 0);
        bytes[0] = op;
        const std::uint8_t from[4] = {10, 77, 1, lastOctet};
        std::copy(from, from + 4, bytes.begin() + 17);
        return bytes;
    }

    SimulatedLan lan;
};

TEST_F(RequestsTest, OnlyTheClockEndsAWaitWhateverElseArrives) {
    auto config = Adapter("NAS-1", "10.77.1.10");
    config.workGroup = std::string(100, 'W');  // longer than the buffer: cut
    auto device = AttachDevice(lan, 1, config);
    Choose("10.77.1.10");
    // A prompt reply is taken when it arrives, and traced.
    device->config().faults.replyDelayMs = 2;
    static std::string trace;
    SetTraceSink([](const char* line) { trace += line; });
    EXPECT_EQ(Timed(GetWorkGroup), (Took{2, 1}));
    SetTraceSink(nullptr);
    EXPECT_EQ(std::string(g_szWorkGroup), std::string(35, 'W'));
    EXPECT_EQ(trace, "workgroup=" + std::string(35, 'W') + "\n");

    // A datagram of another op every millisecond, for ever: a reply at 0.8 s behind it is
    // taken at 0.8 s, one at 1.6 s is too late for an 11-cycle wait, and failed waits cost
    // exactly their nominal time.
    lan.AddStream(1, Bytes(40, 9), lan.NowMicros(), 1000);
    device->config().faults.replyDelayMs = 800;
    EXPECT_EQ(Timed(GetWorkGroup), (Took{800, 1}));
    device->config().faults.replyDelayMs = 1600;
    EXPECT_EQ(Timed(GetWorkGroup), (Took{1110, 0}));
    lan.Sleep(1000);  // the late reply arrives and stays queued
    DeviceList.head->id[9] = 99;  // the device no longer answers
    // After a give-up the next request flushes for its 11 cycles first: the late work group is
    // dropped there, not taken for the share list.
    EXPECT_EQ(Timed(GetShareList), (Took{110 + 2210, 0}));
    CopyText(g_szNewIP, "10.77.1.20");
    EXPECT_EQ(Timed(SetStaticAddress), (Took{11010, 0}));
    // A socket that fails every read ends its wait on time too.
    lan.FailReads("10.77.1.2", 1 << 30);
    EXPECT_EQ(SetHostName(), 0);
    EXPECT_EQ((lan.NowMicros() - lan.sent().back().atMicros) / 1000, 1110);  // its own wait, on time
}

TEST_F(RequestsTest, AReplyThatComesAfterItsRequestGaveUpIsNotTheNextOnesAnswer) {
    auto config = Adapter("NAS-1", "10.77.1.10");
    config.shares = {"public", "music"};
    config.adminPassword = "s3cret";
    auto device = AttachDevice(lan, 1, config);
    Choose("10.77.1.10");
    const auto shares = [] {
        std::vector<std::string> names;
        for (const ShareEntry* share = ShareList.head; share; share = share->next) names.emplace_back(share->name);
        return names;
    };
    // Answered requests: the next one only drops what is queued, and costs nothing more.
    device->config().faults.replyDelayMs = 5;
    EXPECT_EQ(Timed(GetWorkGroup), (Took{5, 1}));
    EXPECT_EQ(Timed(GetShareList), (Took{5, 1}));

    // A device that answers every query after 1.15 s: the work group comes 40 ms after its
    // wait ended, before the share list's own answer. The share list's flush waits out its 11
    // cycles and drops it, then the share list gets its own reply.
    device->config().faults.replyDelayMs = 1150;
    EXPECT_EQ(Timed(GetWorkGroup), (Took{1110, 0}));
    EXPECT_EQ(Timed(GetShareList), (Took{110 + 1150, 1}));
    EXPECT_EQ(shares(), (std::vector<std::string>{"public", "music"}));
    device->config().faults.replyDelayMs = 5;
    EXPECT_EQ(Timed(GetWorkGroup), (Took{5, 1}));  // the slow flush once only
    EXPECT_STREQ(g_szWorkGroup, "WORKGROUP");

    // A password check has no flush of its own, but a late share list already in is not read
    // as its verdict: the device refuses the empty password.
    device->config().faults.replyDelayMs = 2300;
    EXPECT_EQ(Timed(GetShareList), (Took{2210, 0}));
    lan.Sleep(200);
    device->config().faults.replyDelayMs = 5;
    CopyText(g_szLoginUser, "admin");
    EXPECT_EQ(VerifyAdminPassword(), 0);
}

TEST_F(RequestsTest, RepliesOfOthersArePassedOver) {
    AttachDevice(lan, 1, Adapter("NAS-1", "10.77.1.10"));
    Choose("10.77.1.10");
    DeviceList.head->id[9] = 99;  // the real device stays silent
    // Another device answers, and ours answers another instance; then a short reply.
    AnswerWith(5, ReplyFrom(6, 11));
    Bytes foreign = ReplyFrom(6, 10);
    lan.AttachPeer(1, [foreign](SimulatedLan& on, int segment, const Bytes&) {
        on.Deliver(segment, foreign, on.NowMicros());  // tag left zero: not ours
    });
    Bytes tooShort = ReplyFrom(6, 10);
    tooShort.resize(19);
    AnswerWith(5, tooShort);
    // Each is judged, as the trace and the doctor show it.
    std::vector<DatagramFate> fates;
    ObserveDatagrams([&](int, const std::string&, const Datagram&, DatagramFate fate) { fates.push_back(fate); });
    EXPECT_EQ(Timed(SetHostName), (Took{1110, 0}));
    EXPECT_EQ(fates, (std::vector{DatagramFate::OtherSender, DatagramFate::OtherInstance, DatagramFate::Malformed}));
    // EnableDhcp takes any address, but not a reply too short to carry one.
    fates.clear();
    EXPECT_EQ(EnableDhcp(), 1);
    EXPECT_STREQ(g_szTargetIP, "10.77.1.11");
    EXPECT_EQ(fates, std::vector{DatagramFate::Accepted});
    ObserveDatagrams(nullptr);
}

}  // namespace
}  // namespace vidudi

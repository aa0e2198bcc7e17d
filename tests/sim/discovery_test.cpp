// Discovery on the simulated LAN: what gets listed, and what a search costs in virtual time.
#include <gtest/gtest.h>

#include "protocol/discovery.h"
#include "support/protocol_state.h"

namespace vidudi {
namespace {

using testing::Adapter;
using testing::AttachDevice;
using testing::ListedAddresses;
using Strings = std::vector<std::string>;

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ResetProtocolState();
        UseTransport(&lan);
    }
    void TearDown() override { testing::ResetProtocolState(); }

    void Search() {
        const std::int64_t start = lan.NowMicros();
        SearchDevices(kDeviceFilter);
        searchMicros = lan.NowMicros() - start;
    }

    SimulatedLan lan;
    std::int64_t searchMicros = 0;
};

TEST_F(DiscoveryTest, SearchCostsWhatTheProtocolDefinesPerLocalAddress) {
    lan.AddLocalAddress("10.77.1.2", 1);
    lan.AddLocalAddress("10.77.2.2", 2);
    lan.AddLocalAddress("10.77.3.2", 3);
    ASSERT_TRUE(StartNetwork());
    Search();
    // For each address: one empty poll of the stale-datagram flush (10 ms), then 100 ms of
    // sending, 32 polls of 10 ms and 31 pauses of 20 ms.
    EXPECT_EQ(searchMicros, 3 * (10000 + 1040000));
    // Two 11-byte requests out of each address, in address order, 50 ms apart.
    ASSERT_EQ(lan.sent().size(), 6u);
    EXPECT_EQ(lan.sent()[0].from, "10.77.1.2");
    EXPECT_EQ(lan.sent()[1].atMicros - lan.sent()[0].atMicros, 50000);
    EXPECT_EQ(lan.sent()[2].from, "10.77.2.2");
    EXPECT_EQ(lan.sent()[2].atMicros, 30000 + 1040000);
    for (const auto& sent : lan.sent()) EXPECT_EQ(sent.bytes.size(), 11u);

    // Answers shorten the polls they end, never lengthen the search.
    AttachDevice(lan, 1, Adapter("NAS-1", "10.77.1.10"));
    Search();
    EXPECT_LE(searchMicros, 3 * 1050000);
    EXPECT_GT(searchMicros, 3 * 1050000 - 30000);
}

TEST_F(DiscoveryTest, NoLocalAddressReturnsAtOnce) {
    ASSERT_TRUE(StartNetwork());
    EXPECT_EQ(g_nLocalAddressCount, 0);
    Search();
    EXPECT_EQ(searchMicros, 0);
    EXPECT_TRUE(lan.sent().empty());
    EXPECT_EQ(DeviceList.count, 0u);
}

TEST_F(DiscoveryTest, EachDeviceIsListedOnceWithTheLowerIface) {
    // Two local addresses on one network, and a device that answers both copies on both.
    lan.AddLocalAddress("10.77.1.2", 1);
    lan.AddLocalAddress("10.77.1.3", 1);
    lan.AddLocalAddress("10.77.2.2", 2);
    AttachDevice(lan, 1, Adapter("NAS-1", "10.77.1.10"));
    AttachDevice(lan, 2, Adapter("NAS-2", "10.77.2.10"));
    ASSERT_TRUE(StartNetwork());
    Search();
    EXPECT_EQ(ListedAddresses(), (Strings{"10.77.1.10", "10.77.2.10"}));
    EXPECT_EQ(DeviceList.head->iface, 0);
    EXPECT_EQ(DeviceList.tail->iface, 2);
    EXPECT_STREQ(DeviceList.head->name, "NAS-1");
}

TEST_F(DiscoveryTest, TwoDevicesReportingOneAddressGiveTheFirstToAnswer) {
    lan.AddLocalAddress("10.77.1.2", 1);
    auto late = Adapter("late", "10.77.1.10");
    late.faults.replyDelayMs = 30;
    AttachDevice(lan, 1, late);
    AttachDevice(lan, 1, Adapter("early", "10.77.1.10"));
    ASSERT_TRUE(StartNetwork());
    Search();
    ASSERT_EQ(DeviceList.count, 1u);
    EXPECT_STREQ(DeviceList.head->name, "early");
}

TEST_F(DiscoveryTest, ExtendedRepliesPassTheTypeCodeFilter) {
    lan.AddLocalAddress("10.77.1.2", 1);
    auto refused = Adapter("six-seven", "10.77.1.10");
    refused.replyForm = 7;
    refused.typeCode1 = 6;
    refused.typeCode2 = 7;
    auto accepted = Adapter("three-ten", "10.77.1.11");
    accepted.replyForm = 7;
    accepted.typeCode1 = 3;
    accepted.typeCode2 = 10;
    auto bothSix = Adapter("six-six", "10.77.1.12");
    bothSix.replyForm = 7;
    bothSix.typeCode1 = 6;
    bothSix.typeCode2 = 6;
    auto nameless = Adapter("", "10.77.1.13");
    nameless.dhcp = true;
    for (const auto& config : {refused, accepted, bothSix, nameless}) AttachDevice(lan, 1, config);
    ASSERT_TRUE(StartNetwork());
    Search();
    EXPECT_EQ(ListedAddresses(), (Strings{"10.77.1.11", "10.77.1.12", "10.77.1.13"}));
    EXPECT_STREQ(DeviceList.head->name, "three-ten");
    EXPECT_STREQ(DeviceList.head->dhcp, "0");
    EXPECT_STREQ(DeviceList.tail->name, "");
    EXPECT_STREQ(DeviceList.tail->dhcp, "1");
}

TEST_F(DiscoveryTest, RepliesForAnotherTagOrOurPreviousTagAreIgnored) {
    lan.AddLocalAddress("10.77.1.2", 1);
    auto foreign = Adapter("foreign", "10.77.1.10");
    foreign.faults.foreignTag = true;
    AttachDevice(lan, 1, foreign);
    // A slow device answers the first search after it has ended...
    auto slow = Adapter("slow", "10.77.1.11");
    slow.faults.replyDelayMs = 1500;
    AttachDevice(lan, 1, slow);
    ASSERT_TRUE(StartNetwork());
    Search();
    EXPECT_TRUE(ListedAddresses().empty());

    // ...and after a Refresh (new tag) its late answers to the old tag are still queued; they
    // must not be taken as answers to the new search. The flush drains them first.
    StopNetwork();
    ASSERT_TRUE(StartNetwork());
    lan.Sleep(600);
    Search();
    EXPECT_TRUE(ListedAddresses().empty());
}

TEST_F(DiscoveryTest, StaleDatagramsAreFlushedButAStreamCannotHoldTheSearch) {
    lan.AddLocalAddress("10.77.1.2", 1);
    AttachDevice(lan, 1, Adapter("NAS-1", "10.77.1.10"));
    ASSERT_TRUE(StartNetwork());
    // Something on the segment sends every 25 ms, for ever: each read of the flush is followed
    // by a 20 ms pause and a poll that finds the next one, so only the bound ends it.
    SimulatedLan::Bytes noise(40, 0x09);
    lan.AddStream(1, noise, 0, 25000);
    Search();
    const std::int64_t flushBound = kMaxStaleDatagrams * 30000;
    EXPECT_LT(searchMicros, 1050000 + flushBound);
    EXPECT_GT(searchMicros, 1050000 + flushBound / 2);
    // The device's answers are still found among the noise.
    EXPECT_EQ(ListedAddresses(), Strings{"10.77.1.10"});

    // A faster stream fills the queue; the search still ends in bounded time.
    lan.AddStream(1, noise, lan.NowMicros(), 1000);
    Search();
    EXPECT_LT(searchMicros, 1050000 + flushBound);
}

TEST_F(DiscoveryTest, FailingReadsNeitherHangNorCount) {
    lan.AddLocalAddress("10.77.1.2", 1);
    AttachDevice(lan, 1, Adapter("NAS-1", "10.77.1.10"));
    ASSERT_TRUE(StartNetwork());
    lan.FailReads("10.77.1.2", 5);
    Search();
    EXPECT_EQ(ListedAddresses(), Strings{"10.77.1.10"});

    // A socket that fails every read for ever still lets the search end.
    lan.FailReads("10.77.1.2", 1 << 30);
    Search();
    EXPECT_LE(searchMicros, 1040000);
    EXPECT_TRUE(ListedAddresses().empty());
}

TEST_F(DiscoveryTest, MalformedRepliesAmongGoodOnesAreHarmless) {
    lan.AddLocalAddress("10.77.1.2", 1);
    auto oversize = Adapter("big", "10.77.1.10");
    oversize.faults.oversizeNameLength = 100000;
    auto noNul = Adapter("nonul", "10.77.1.11");
    noNul.faults.fieldsWithoutNul = true;
    AttachDevice(lan, 1, oversize);
    AttachDevice(lan, 1, noNul);
    ASSERT_TRUE(StartNetwork());
    // Empty and truncated datagrams that carry our tag.
    SimulatedLan::Bytes empty;
    SimulatedLan::Bytes truncated(30, 0);
    truncated[0] = 2;
    std::memcpy(&truncated[1], ClientTag, 10);
    lan.Deliver(1, empty, 120000);
    lan.Deliver(1, truncated, 130000);
    Search();
    EXPECT_EQ(ListedAddresses(), (Strings{"10.77.1.10", "10.77.1.11"}));
    EXPECT_STREQ(DeviceList.head->name, "big");
    EXPECT_EQ(std::strlen(DeviceList.tail->netmask), 15u);
}

}  // namespace
}  // namespace vidudi

// Discovery on the simulated LAN: what gets listed, in which order, and what a search costs in
// virtual time.
#include <gtest/gtest.h>

#include <set>

#include <algorithm>
#include <cstring>

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

TEST_F(DiscoveryTest, OneSearchWindowCoversEveryLocalAddress) {
    // Every start, all at virtual time 0, draws its own instance tag from the random source.
    std::set<std::vector<std::uint8_t>> tags;
    for (int count : {1, 3, 8, 32}) {
        SCOPED_TRACE(count);
        SimulatedLan fresh;
        UseTransport(&fresh);
        // A 33rd address is left out: only the first 32 are used.
        for (int a = 1; a <= (count == 32 ? 33 : count); ++a) {
            fresh.AddLocalAddress("10.77." + std::to_string(a) + ".2", a);
        }
        AttachDevice(fresh, count, Adapter("NAS-last", "10.77." + std::to_string(count) + ".10"));
        ASSERT_TRUE(StartNetwork());
        tags.emplace(ClientTag, ClientTag + 10);
        EXPECT_EQ(g_nLocalAddressCount, count);
        EXPECT_EQ(fresh.openSockets(), 2 * count);
        const std::int64_t start = fresh.NowMicros();
        SearchDevices(kDeviceFilter);
        EXPECT_GE(fresh.NowMicros() - start, 1040000);
        EXPECT_LE(fresh.NowMicros() - start, 1060000);
        // Two 11-byte requests out of every address, the first copies together in address
        // order, the second copies 50 ms later.
        const auto& sent = fresh.sent();
        ASSERT_EQ(sent.size(), 2u * static_cast<std::size_t>(count));
        for (int a = 0; a < count; ++a) {
            EXPECT_EQ(sent[a].from, LocalAddressTable[a]);
            EXPECT_EQ(sent[count + a].from, LocalAddressTable[a]);
            EXPECT_EQ(sent[count + a].atMicros - sent[a].atMicros, 50000);
            EXPECT_EQ(sent[a].bytes.size(), 11u);
        }
        EXPECT_EQ(ListedAddresses(), Strings{"10.77." + std::to_string(count) + ".10"});
        testing::ResetProtocolState();
    }
    EXPECT_EQ(tags.size(), 4u);
    UseTransport(&lan);
}

// Attaches `count` adapters to a segment, answering both copies between firstDelay and
// firstDelay + 200 ms; returns their addresses in order of arrival.
Strings AttachAnswering(SimulatedLan& lan, int segment, int count, int firstDelay) {
    std::vector<std::pair<int, std::string>> arrival;
    for (int k = 0; k < count; ++k) {
        const std::string address = "10." + std::to_string(segment) + "." + std::to_string(k / 250) +
                                    "." + std::to_string(k % 250 + 2);
        auto config = Adapter("NAS-" + std::to_string(segment) + "-" + std::to_string(k), address);
        config.faults.replyDelayMs = firstDelay + (k * 7) % 200;
        AttachDevice(lan, segment, config);
        arrival.emplace_back(config.faults.replyDelayMs, address);
    }
    std::stable_sort(arrival.begin(), arrival.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    Strings addresses;
    for (const auto& [delay, address] : arrival) addresses.push_back(address);
    return addresses;
}

TEST_F(DiscoveryTest, AllOfFiveHundredAreListedAddressAfterAddressWhateverAnsweredFirst) {
    // 500 adapters on the first network, 20 on each of two more; the third answers first.
    Strings expected;
    for (int a = 1; a <= 3; ++a) {
        lan.AddLocalAddress("10." + std::to_string(a) + ".9.1", a);
        const Strings arrival = AttachAnswering(lan, a, a == 1 ? 500 : 20, 40 * (3 - a));
        expected.insert(expected.end(), arrival.begin(), arrival.end());
    }
    ASSERT_TRUE(StartNetwork());
    Search();
    EXPECT_EQ(ListedAddresses(), expected);
    EXPECT_LE(searchMicros, 1060000);
    EXPECT_EQ(DeviceList.tail->iface, 2);
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

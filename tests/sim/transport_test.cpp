// Bringing the transport up and down: address table, sockets and the instance tag.
#include <gtest/gtest.h>

#include <set>

#include "support/protocol_state.h"

namespace vidudi {
namespace {

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ResetProtocolState();
        UseTransport(&lan);
    }
    void TearDown() override { testing::ResetProtocolState(); }
    SimulatedLan lan;
};

TEST_F(TransportTest, OnlyTheFirstThirtyTwoAddressesAreUsed) {
    for (int n = 1; n <= 33; ++n) lan.AddLocalAddress("10.77." + std::to_string(n) + ".2", n);
    ASSERT_TRUE(StartNetwork());
    EXPECT_EQ(g_nLocalAddressCount, 32);
    EXPECT_STREQ(LocalAddressTable[0], "10.77.1.2");
    EXPECT_STREQ(LocalAddressTable[31], "10.77.32.2");
    EXPECT_EQ(AllLocalAddresses(), 0xFFFFFFFFu);
    EXPECT_EQ(lan.openSockets(), 64);
    StopNetwork();
    EXPECT_EQ(lan.openSockets(), 0);
    EXPECT_FALSE(IsNetworkUp());
}

TEST_F(TransportTest, EveryStartMakesAFreshRandomTag) {
    lan.AddLocalAddress("10.77.1.2", 1);
    // Restarts within one virtual instant (the same second) must still differ.
    std::set<std::vector<std::uint8_t>> tags;
    for (int start = 0; start < 50; ++start) {
        ASSERT_TRUE(StartNetwork());
        tags.emplace(ClientTag, ClientTag + 6);
        EXPECT_EQ(ClientTag[6] | ClientTag[7] | ClientTag[8] | ClientTag[9], 0);
        StopNetwork();
    }
    EXPECT_EQ(tags.size(), 50u);
}

TEST_F(TransportTest, AFailedStartLeavesTheNetworkDown) {
    lan.AddLocalAddress("10.77.1.2", 1);
    lan.startupFails = true;
    EXPECT_FALSE(StartNetwork());
    EXPECT_FALSE(IsNetworkUp());
    EXPECT_EQ(lan.openSockets(), 0);
    StopNetwork();  // harmless when down
    EXPECT_EQ(lan.startups(), 0);
}

}  // namespace
}  // namespace vidudi

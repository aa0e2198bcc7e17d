// Waiting for a changed device to be listed again.
#include <gtest/gtest.h>

#include "protocol/device_return.h"
#include "protocol/discovery.h"
#include "protocol/requests.h"
#include "support/protocol_state.h"

namespace vidudi {
namespace {

class DeviceReturnTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ResetProtocolState();
        UseTransport(&lan);
        lan.AddLocalAddress("10.77.1.2", 1);
    }
    void TearDown() override { testing::ResetProtocolState(); }
    SimulatedLan lan;
};

TEST_F(DeviceReturnTest, ARenamedDeviceIsFoundOnTheFirstPass) {
    testing::AttachDevice(lan, 1, testing::Adapter("NAS-1", "10.77.1.10"));
    ASSERT_TRUE(StartNetwork());
    SearchDevices(kDeviceFilter);
    CopyText(g_szTargetIP, "10.77.1.10");
    CopyText(g_szHostName, "Renamed");
    ASSERT_EQ(SetHostName(), 1);

    int passes = 0;
    const std::int64_t start = lan.NowMicros();
    EXPECT_TRUE(WaitUntilListed("Renamed", g_szTargetIP, kMaxReturnPasses, [&] { ++passes; }));
    EXPECT_EQ(passes, 1);
    // One search (answers end two of its polls early) and the pause of a second after it.
    EXPECT_LE(lan.NowMicros() - start, 1050000 + 1000000);
    EXPECT_GE(lan.NowMicros() - start, 1000000 + 1000000);
    EXPECT_STREQ(DeviceList.head->name, "Renamed");
}

TEST_F(DeviceReturnTest, ADeviceThatNeverReturnsEndsTheWaitAtTheBound) {
    testing::AttachDevice(lan, 1, testing::Adapter("NAS-1", "10.77.1.10"));
    ASSERT_TRUE(StartNetwork());
    int passes = 0;
    // Listed, but under its old name: not the device we wait for.
    EXPECT_FALSE(WaitUntilListed("Renamed", "10.77.1.10", kMaxReturnPasses, [&] { ++passes; }));
    EXPECT_EQ(passes, kMaxReturnPasses);
    EXPECT_LE(lan.NowMicros(), kMaxReturnPasses * (1050000 + 1000000));
    EXPECT_GE(lan.NowMicros(), kMaxReturnPasses * (1000000 + 1000000));
    // Right name, wrong address: not it either.
    EXPECT_FALSE(WaitUntilListed("NAS-1", "10.77.1.11", 2));
}

}  // namespace
}  // namespace vidudi

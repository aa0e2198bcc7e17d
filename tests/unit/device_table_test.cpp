// The device table as discovery fills it, including replies that do not keep to the layout.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "protocol/device_table.h"
#include "protocol/discovery.h"
#include "protocol/network.h"
#include "protocol/packet.h"

namespace vidudi {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A discovery reply of either form, as a device would send it.
Bytes Reply(std::uint8_t op, const std::string& name, std::uint8_t lastOctet = 20,
            const std::string& netmask = "255.255.255.0", const std::string& gateway = "192.168.0.1") {
    const bool extended = op == 7;
    Bytes bytes(extended ? 72 : 60, 0);
    bytes[0] = op;
    const std::uint8_t id[10] = {1, 2, 3, 4, 5, 6, 192, 168, 0, lastOctet};
    std::memcpy(&bytes[11], id, 10);
    bytes[21] = '1';
    std::memcpy(&bytes[24], netmask.data(), std::min<std::size_t>(netmask.size(), 16));
    std::memcpy(&bytes[40], gateway.data(), std::min<std::size_t>(gateway.size(), 16));
    if (extended) {
        bytes[56] = 3;
        bytes[57] = 10;
    }
    PutLengthField(&bytes[extended ? 68 : 56], static_cast<std::uint32_t>(name.size()));
    bytes.insert(bytes.end(), name.begin(), name.end());
    return bytes;
}

void Add(const Bytes& bytes, int iface = 0) {
    AddDeviceFromReply(Datagram{bytes.data(), bytes.size()}, bytes.empty() ? 2 : bytes[0], iface);
}

class DeviceTableTest : public ::testing::Test {
protected:
    void SetUp() override { FreeDeviceList(); FreeShareList(); }
    void TearDown() override { FreeDeviceList(); FreeShareList(); }
};

TEST_F(DeviceTableTest, RepliesOfBothFormsBecomeEntriesInArrivalOrder) {
    Add(Reply(2, "NAS-1", 20), 1);
    Add(Reply(7, "NAS-2", 21), 0);
    ASSERT_EQ(DeviceList.count, 2u);
    const DeviceEntry& first = *DeviceList.head;
    EXPECT_STREQ(first.name, "NAS-1");
    EXPECT_STREQ(first.address, "192.168.0.20");
    EXPECT_STREQ(first.netmask, "255.255.255.0");
    EXPECT_STREQ(first.gateway, "192.168.0.1");
    EXPECT_STREQ(first.dhcp, "1");
    EXPECT_EQ(first.iface, 1);
    const std::uint8_t id[10] = {1, 2, 3, 4, 5, 6, 192, 168, 0, 20};
    EXPECT_EQ(std::memcmp(first.id, id, 10), 0);
    EXPECT_STREQ(first.next->name, "NAS-2");
    EXPECT_EQ(DeviceList.tail, first.next);
    EXPECT_EQ(DeviceList.tail->next, nullptr);
}

TEST_F(DeviceTableTest, FirstReplyFromAnAddressWins) {
    Add(Reply(2, "first", 20), 0);
    Add(Reply(7, "second", 20, "255.0.0.0"), 0);
    ASSERT_EQ(DeviceList.count, 1u);
    EXPECT_STREQ(DeviceList.head->name, "first");
    EXPECT_STREQ(DeviceList.head->netmask, "255.255.255.0");
    EXPECT_TRUE(FindDeviceByAddress("192.168.0.20"));
    EXPECT_FALSE(FindDeviceByAddress("192.168.0.2"));
    FreeDeviceList();
    EXPECT_FALSE(FindDeviceByAddress("192.168.0.20"));
    EXPECT_EQ(DeviceList.head, nullptr);
}

TEST_F(DeviceTableTest, CountedNameIsCutToTheDatagramAndTheRecord) {
    Add(Reply(2, "", 1));
    EXPECT_STREQ(DeviceList.head->name, "");

    // Length field claims 4000 bytes, the datagram holds 5.
    Bytes lying = Reply(2, "short", 2);
    PutLengthField(&lying[56], 4000);
    Add(lying);
    EXPECT_STREQ(DeviceList.tail->name, "short");

    // A length with the top bit set must not turn negative anywhere.
    Bytes huge = Reply(7, "x", 3);
    PutLengthField(&huge[68], 0xFFFFFFFFu);
    Add(huge);
    EXPECT_STREQ(DeviceList.tail->name, "x");

    // 300 real bytes of name: the record keeps 255 and its NUL.
    Add(Reply(2, std::string(300, 'N'), 4));
    EXPECT_EQ(std::string(DeviceList.tail->name), std::string(255, 'N'));
    EXPECT_EQ(DeviceList.count, 4u);
}

TEST_F(DeviceTableTest, AddressFieldsWithoutNulAreCut) {
    Add(Reply(2, "n", 5, std::string(16, '1'), std::string(16, '2')));
    EXPECT_STREQ(DeviceList.head->netmask, std::string(15, '1').c_str());
    EXPECT_STREQ(DeviceList.head->gateway, std::string(15, '2').c_str());
}

TEST_F(DeviceTableTest, RepliesShorterThanTheirLayoutAreDropped) {
    for (std::size_t length : {0, 1, 11, 21, 40, 59}) {
        Bytes bytes = Reply(2, "", 9);
        bytes.resize(length);
        // Exactly as long as the datagram: the sanitizer build catches any read past it.
        std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
        AddDeviceFromReply(Datagram{exact.data(), exact.size()}, 2, 0);
    }
    Bytes extendedShort = Reply(7, "", 9);
    extendedShort.resize(71);
    Add(extendedShort);
    EXPECT_EQ(DeviceList.count, 0u);
    Bytes justFits = Reply(2, "", 9);
    Add(justFits);
    EXPECT_EQ(DeviceList.count, 1u);
}

TEST_F(DeviceTableTest, ShareListKeepsOneCopyOfEachName) {
    AppendShare("public");
    AppendShare("music");
    EXPECT_TRUE(FindShare("public"));
    EXPECT_FALSE(FindShare("Public"));
    AppendShare(std::string(200, 's').c_str());
    EXPECT_EQ(std::string(ShareList.tail->name), std::string(131, 's'));
    EXPECT_EQ(ShareList.count, 3u);
    // Equal once cut: listed already. Equal only up to a shorter stored name: not.
    EXPECT_TRUE(FindShare((std::string(131, 's') + "other").c_str()));
    EXPECT_FALSE(FindShare("publicity"));
    FreeShareList();
    EXPECT_EQ(ShareList.count, 0u);
    EXPECT_FALSE(FindShare("public"));
}

TEST(DiscoveryFilterTest, DeviceFilterAcceptsTypeCode10OrBothSix) {
    EXPECT_TRUE(PassesFilter(kDeviceFilter, 3, 10));
    EXPECT_TRUE(PassesFilter(kDeviceFilter, 0, 10));
    EXPECT_TRUE(PassesFilter(kDeviceFilter, 6, 6));
    EXPECT_FALSE(PassesFilter(kDeviceFilter, 6, 7));
    EXPECT_FALSE(PassesFilter(kDeviceFilter, 10, 6));
    EXPECT_FALSE(PassesFilter(kDeviceFilter, 0, 0));
    // Pattern A with both places given must match both.
    EXPECT_FALSE(PassesFilter(DiscoveryFilter{{4, 10}, {0, 0}}, 3, 10));
    EXPECT_TRUE(PassesFilter(DiscoveryFilter{{4, 10}, {0, 0}}, 4, 10));
}

}  // namespace
}  // namespace vidudi

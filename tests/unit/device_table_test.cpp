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

// Lying lengths and overlong names from real adapters are the lan tier's (faults_test.sh); here
// the cases no adapter there sends.
TEST_F(DeviceTableTest, CountedNameIsCutToTheDatagram) {
    Add(Reply(2, "", 1));
    EXPECT_STREQ(DeviceList.head->name, "");
    // A length with the top bit set must not turn negative anywhere.
    Bytes huge = Reply(7, "x", 3);
    PutLengthField(&huge[68], 0xFFFFFFFFu);
    Add(huge);
    EXPECT_STREQ(DeviceList.tail->name, "x");
    EXPECT_EQ(DeviceList.count, 2u);
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

// Cutting at 131 bytes and keeping one copy are the lan tier's (commands_test.sh, NAS-Cut).
TEST_F(DeviceTableTest, ASharesNameMatchesOnlyInFull) {
    AppendShare("public");
    AppendShare(std::string(200, 's').c_str());
    EXPECT_FALSE(FindShare("Public"));
    EXPECT_FALSE(FindShare("publicity"));
    EXPECT_FALSE(FindShare("pub"));
    EXPECT_TRUE(FindShare((std::string(131, 's') + "other").c_str()));  // equal once cut
}

}  // namespace
}  // namespace vidudi

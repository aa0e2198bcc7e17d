// What `vidudi list` prints for a device table.
#include <gtest/gtest.h>

#include <cstring>

#include "address_argument.h"
#include "device_table_output.h"
#include "protocol/device_table.h"
#include "protocol/network.h"
#include "protocol/request_buffers.h"

namespace vidudi {
namespace {

class CliOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreeDeviceList();
        std::memset(LocalAddressTable, 0, sizeof LocalAddressTable);
        CopyText(LocalAddressTable[0], "10.77.1.2");
        CopyText(LocalAddressTable[1], "10.77.2.2");
        g_nLocalAddressCount = 2;
        const std::uint8_t id[10] = {};
        AppendDeviceEntry("NAS-1", "10.77.1.10", "255.255.255.0", "10.77.1.1", id, "1", 0);
        AppendDeviceEntry("Stor\"age\\2", "10.77.2.100", "255.255.0.0", "", id, "0", 1);
    }
    void TearDown() override {
        FreeDeviceList();
        g_nLocalAddressCount = 0;
    }
};

// Columns line up under the header: a UTF-8 name takes one column per character, a name that
// is not UTF-8 one per byte.
TEST_F(CliOutputTest, TableIsAlignedUnderItsHeader) {
    const std::uint8_t id[10] = {};
    AppendDeviceEntry("Gr\xC3\xB6\xC3\x9F" "e-NAS", "10.77.1.11", "255.255.255.0", "", id, "0", 0);  // Größe-NAS
    AppendDeviceEntry("Gr\xF6\xDF" "e-NAS-1", "10.77.1.12", "255.255.255.0", "", id, "0", 0);  // Latin-1
    EXPECT_EQ(cli::FormatDeviceTable(),
              "NAME         ADDRESS      NETMASK        GATEWAY    DHCP  LOCAL ADDRESS\n"
              "NAS-1        10.77.1.10   255.255.255.0  10.77.1.1  yes   10.77.1.2\n"
              "Stor\"age\\2   10.77.2.100  255.255.0.0               no    10.77.2.2\n"
              "Gr\xC3\xB6\xC3\x9F" "e-NAS    10.77.1.11   255.255.255.0             no    10.77.1.2\n"
              "Gr\xF6\xDF" "e-NAS-1  10.77.1.12   255.255.255.0             no    10.77.1.2\n");
}

TEST_F(CliOutputTest, JsonEscapesNamesAndKeepsListOrder) {
    EXPECT_EQ(cli::FormatDeviceJson(),
              "{\"devices\":[{\"name\":\"NAS-1\",\"address\":\"10.77.1.10\",\"netmask\":\"255.255.255.0\","
              "\"gateway\":\"10.77.1.1\",\"dhcp\":true,\"localAddress\":\"10.77.1.2\",\"iface\":0},"
              "{\"name\":\"Stor\\\"age\\\\2\",\"address\":\"10.77.2.100\",\"netmask\":\"255.255.0.0\","
              "\"gateway\":\"\",\"dhcp\":false,\"localAddress\":\"10.77.2.2\",\"iface\":1}]}\n");
}

TEST(JsonLineTest, DeviceBytesAlwaysGiveValidJson) {
    auto line = [](const char* text) { return cli::JsonLine(cli::Json(text)); };
    EXPECT_EQ(line("Fotó"), "\"Fotó\"\n");                       // UTF-8 passes through
    EXPECT_EQ(line("a\x01\n"), "\"a\\u0001\\n\"\n");             // control bytes escaped
    EXPECT_EQ(line("\xE9t\xE9"), "\"\xEF\xBF\xBDt\xEF\xBF\xBD\"\n");   // Latin-1 bytes are not UTF-8
    EXPECT_EQ(line("ab\xE2\x82"), "\"ab\xEF\xBF\xBD\"\n");          // a cut sequence at the end
    EXPECT_EQ(line("\xF0\x9F\x98\x80"), "\"\xF0\x9F\x98\x80\"\n");
}

}  // namespace
}  // namespace vidudi

namespace vidudi::cli {
namespace {

TEST(AddressArgumentTest, OnlyPlainDottedQuadsAreAddresses) {
    unsigned char octets[4];
    ASSERT_TRUE(ParseDottedQuad("192.168.0.25", octets));
    EXPECT_EQ(octets[0], 192);
    EXPECT_EQ(octets[3], 25);
    ASSERT_TRUE(ParseDottedQuad("010.0.0.255", octets));  // leading zeros are decimal
    EXPECT_EQ(octets[0], 10);
    for (const char* bad : {"", "1.2.3", "1.2.3.4.", "1.2.3.256", "1..3.4", " 1.2.3.4", "1.2.3.4 ",
                            "0x1.2.3.4", "-1.2.3.4", "1.2.3.0004", "10", "a.b.c.d", "1.2.3.4/24"}) {
        EXPECT_FALSE(ParseDottedQuad(bad, octets)) << bad;
    }
}

}  // namespace
}  // namespace vidudi::cli

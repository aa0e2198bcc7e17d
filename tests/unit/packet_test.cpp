// The one request edge the lan tier's commands do not reach, and the bounded reply readers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "protocol/device_table.h"
#include "protocol/network.h"
#include "protocol/packet.h"
#include "protocol/request_buffers.h"

namespace vidudi {
namespace {

TEST(PacketTest, AFullWorkGroupRidesWithTheAddressFieldsAndNothingPastTheEnd) {
    const std::uint8_t tag[10] = {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6};
    const std::uint8_t id[10] = {0x00, 0x0E, 0xA1, 0x11, 0x22, 0x33, 192, 168, 0, 20};
    FreeDeviceList();
    ClearRequestBuffers();
    std::memcpy(ClientTag, tag, sizeof ClientTag);
    AppendDeviceEntry("NAS-1", "192.168.0.20", "255.255.255.0", "192.168.0.1", id, "0", 0);
    CopyText(g_szTargetIP, "192.168.0.20");
    CopyText(g_szNewNetmask, "255.255.0.0");
    CopyText(g_szNewGateway, "10.0.0.1");
    CopyText(g_szWorkGroup, "123456789012345678901234567890ABCDE");  // 35 characters, full buffer
    std::vector<std::uint8_t> expected(95, 0);
    expected[0] = 5;
    std::memcpy(&expected[1], tag, 10);
    std::memcpy(&expected[11], id, 10);
    expected[21] = 7;
    std::memcpy(&expected[24], "255.255.0.0", 11);
    std::memcpy(&expected[40], "10.0.0.1", 8);
    expected[56] = 35;
    std::memcpy(&expected[60], g_szWorkGroup, 35);
    std::uint8_t buffer[kPacketBufferSize] = {};
    const std::size_t length = BuildWorkGroupChangeRequest(buffer);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + length), expected);
    for (std::size_t b = length; b < kPacketBufferSize; ++b) EXPECT_EQ(buffer[b], 0) << "byte " << b;
    FreeDeviceList();
}

TEST(PacketTest, ReadersStayInsideTheDatagram) {
    std::uint8_t reply[64] = {};
    reply[17] = 10;
    reply[19] = 255;
    reply[20] = 7;
    char address[16];
    RenderDeviceAddress(Datagram{reply, 19}, address);  // cut short: missing octets read as 0
    EXPECT_STREQ(address, "10.0.0.0");
    std::memset(reply + 24, '5', 16);
    reply[40] = 'X';
    char text[16];
    EXPECT_EQ(ReadReplyText(Datagram{reply, sizeof reply}, 24, 16, text, sizeof text), 15u);
    EXPECT_STREQ(text, "555555555555555");
    EXPECT_EQ(ReadReplyText(Datagram{reply, 30}, 24, 16, text, sizeof text), 6u);
    EXPECT_EQ(ReadReplyText(Datagram{reply, 10}, 24, 16, text, sizeof text), 0u);
    EXPECT_FALSE(IsReplyForUs(Datagram{reply, 6}));
}

}  // namespace
}  // namespace vidudi

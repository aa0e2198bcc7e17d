// The bounded reply readers: nothing read past the datagram's end.
#include <gtest/gtest.h>

#include <cstring>

#include "protocol/network.h"
#include "protocol/packet.h"

namespace vidudi {
namespace {

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

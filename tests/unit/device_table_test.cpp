// Replies that do not keep to the layout, through the device table and the reply readers:
// nothing is read past the datagram's end.
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

Bytes Reply(std::uint8_t op, const std::string& name) {
    const bool extended = op == 7;
    Bytes bytes(extended ? 72 : 60, 0);
    bytes[0] = op;
    const std::uint8_t id[10] = {1, 2, 3, 4, 5, 6, 192, 168, 0, op};
    std::memcpy(&bytes[11], id, 10);
    bytes[21] = '1';
    if (extended) {
        bytes[56] = 3;
        bytes[57] = 10;
    }
    PutLengthField(&bytes[extended ? 68 : 56], static_cast<std::uint32_t>(name.size()));
    bytes.insert(bytes.end(), name.begin(), name.end());
    return bytes;
}

// Exactly as long as the datagram: the sanitizer build sees any over-read.
void Add(const Bytes& bytes, std::size_t length) {
    const Bytes exact(bytes.begin(), bytes.begin() + static_cast<long>(length));
    AddDeviceFromReply(Datagram{exact.data(), exact.size()}, bytes[0], 0);
}

TEST(DeviceTableTest, ShortRepliesAreDroppedAndLengthsCutToTheDatagram) {
    FreeDeviceList();
    for (std::size_t length : {0, 1, 11, 21, 40, 59}) Add(Reply(2, ""), length);
    Add(Reply(7, ""), 71);
    EXPECT_EQ(DeviceList.count, 0u);
    Add(Reply(2, ""), 60);
    Bytes huge = Reply(7, "x");
    PutLengthField(&huge[68], 0xFFFFFFFFu);  // the top bit must not turn negative anywhere
    Add(huge, huge.size());
    ASSERT_EQ(DeviceList.count, 2u);
    EXPECT_STREQ(DeviceList.head->name, "");
    EXPECT_STREQ(DeviceList.tail->name, "x");
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

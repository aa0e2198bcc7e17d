// The device table from replies that do not keep to the layout: nothing read past the datagram.
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

void Add(Bytes bytes, std::size_t length) {
    bytes.resize(length);
    const std::uint8_t op = bytes.empty() ? 2 : bytes[0];
    Bytes exact(bytes);  // exactly as long as the datagram: the sanitizer build sees any over-read
    AddDeviceFromReply(Datagram{exact.data(), exact.size()}, op, 0);
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

}  // namespace
}  // namespace vidudi

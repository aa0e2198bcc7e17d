// A request builder against the wire layout, byte for byte, and the bounded reply readers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "protocol/device_table.h"
#include "protocol/network.h"
#include "protocol/packet.h"
#include "protocol/request_buffers.h"

namespace vidudi {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::uint8_t kTag[10] = {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0, 0, 0, 0};
const std::uint8_t kId[10] = {0x00, 0x0E, 0xA1, 0x11, 0x22, 0x33, 192, 168, 0, 20};

class PacketTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreeDeviceList();
        ClearRequestBuffers();
        std::memcpy(ClientTag, kTag, sizeof ClientTag);
        AppendDeviceEntry("NAS-1", "192.168.0.20", "255.255.255.0", "192.168.0.1", kId, "0", 0);
        CopyText(g_szTargetIP, "192.168.0.20");
    }
    void TearDown() override { FreeDeviceList(); }

    Bytes Build(std::size_t (*builder)(std::uint8_t*)) {
        std::uint8_t buffer[kPacketBufferSize] = {};
        std::size_t length = builder(buffer);
        // Nothing may be written past the datagram's end.
        for (std::size_t b = length; b < kPacketBufferSize; ++b) EXPECT_EQ(buffer[b], 0) << "byte " << b;
        return Bytes(buffer, buffer + length);
    }

    // op, tag, target id, sub-op, then zeros up to `size`.
    static Bytes Addressed(std::uint8_t op, std::uint8_t subOp, std::size_t size) {
        Bytes bytes(size, 0);
        bytes[0] = op;
        std::memcpy(&bytes[1], kTag, 10);
        std::memcpy(&bytes[11], kId, 10);
        bytes[21] = subOp;
        return bytes;
    }
    static void Put(Bytes& bytes, std::size_t at, const std::string& text) {
        std::memcpy(&bytes[at], text.data(), text.size());
    }
};

// The lan tier checks every request as the adapter received it (request_log.py: length, ids,
// fields, payload, zero padding); here the edge the commands there do not reach.
TEST_F(PacketTest, AWorkGroupFillingItsBufferRidesWithTheCurrentAddressFields) {
    CopyText(g_szNewNetmask, "255.255.0.0");
    CopyText(g_szNewGateway, "10.0.0.1");
    CopyText(g_szWorkGroup, "123456789012345678901234567890ABCDE");  // 35 characters, full buffer
    Bytes expected = Addressed(5, 7, 95);
    Put(expected, 24, "255.255.0.0");
    Put(expected, 40, "10.0.0.1");
    expected[56] = 35;
    Put(expected, 60, "123456789012345678901234567890ABCDE");
    EXPECT_EQ(Build(BuildWorkGroupChangeRequest), expected);
}

TEST_F(PacketTest, AddressedBuildersWriteNothingForAnUnknownTarget) {
    for (const char* target : {"192.168.0.2", "192.168.0.200", "", "192.168.000.20"}) {
        CopyText(g_szTargetIP, target);
        for (auto builder : {BuildVerifyAdminPasswordRequest, BuildShareListRequest, BuildWorkGroupRequest,
                             BuildStaticAddressRequest, BuildDhcpRequest, BuildHostNameRequest,
                             BuildWorkGroupChangeRequest}) {
            EXPECT_TRUE(Build(builder).empty()) << target;
        }
    }
}

TEST_F(PacketTest, RepliesMatchOnTheFirstSixTagBytes) {
    std::uint8_t reply[28] = {4};
    std::memcpy(reply + 1, kTag, 10);
    reply[7] = 0xFF;  // bytes 7 to 10 are not compared
    reply[10] = 0x01;
    EXPECT_TRUE(IsReplyForUs(Datagram{reply, sizeof reply}));
    reply[6] ^= 1;
    EXPECT_FALSE(IsReplyForUs(Datagram{reply, sizeof reply}));
    reply[6] ^= 1;
    // A datagram that ends inside the compared bytes is nobody's reply.
    EXPECT_FALSE(IsReplyForUs(Datagram{reply, 6}));
    EXPECT_FALSE(IsReplyForUs(Datagram{reply, 0}));
    EXPECT_TRUE(IsReplyForUs(Datagram{reply, 7}));
}

TEST_F(PacketTest, AddressTextAndTextFieldsStayInsideTheDatagram) {
    std::uint8_t reply[64] = {};
    reply[17] = 10;
    reply[18] = 0;
    reply[19] = 255;
    reply[20] = 7;
    char address[16];
    RenderDeviceAddress(Datagram{reply, sizeof reply}, address);
    EXPECT_STREQ(address, "10.0.255.7");
    RenderDeviceAddress(Datagram{reply, 19}, address);  // cut short: missing octets read as 0
    EXPECT_STREQ(address, "10.0.0.0");

    // A 16-byte field with no NUL is cut to 15 characters.
    std::memset(reply + 24, '5', 16);
    reply[40] = 'X';
    char text[16];
    EXPECT_EQ(ReadReplyText(Datagram{reply, sizeof reply}, 24, 16, text, sizeof text), 15u);
    EXPECT_STREQ(text, "555555555555555");
    // A field that runs past the datagram's end is cut there.
    EXPECT_EQ(ReadReplyText(Datagram{reply, 30}, 24, 16, text, sizeof text), 6u);
    EXPECT_EQ(ReadReplyText(Datagram{reply, 10}, 24, 16, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");
}

}  // namespace
}  // namespace vidudi

#pragma once
// DevicePacket: the one datagram layout of the device protocol, its request builders and the
// bounded readers for replies. Every offset of the protocol is named here and nowhere else.
#include <cstddef>
#include <cstdint>

namespace vidudi {

constexpr std::uint16_t kDevicePort = 13579;
constexpr char kDeviceGroup[] = "224.0.0.1";

// Requests are built in buffers of 4096 bytes. Datagrams are read whole, up to the largest a
// UDP datagram can be; one that would not fit is refused rather than cut.
constexpr std::size_t kPacketBufferSize = 4096;
constexpr std::size_t kDatagramCapacity = 65536;

enum PacketOp : std::uint8_t {
    kOpDiscovery = 1,
    kOpDiscoveryReply = 2,
    kOpQuery = 3,
    kOpQueryReply = 4,
    kOpSetting = 5,
    kOpSettingReply = 6,
    kOpDiscoveryReplyExtended = 7,
};

enum QuerySubOp : std::uint8_t {
    kQueryShareList = 3,
    kQueryAdminPassword = 4,
    kQueryWorkGroup = 6,
};

enum SettingSubOp : std::uint8_t {
    kSettingStaticAddress = 1,
    kSettingDhcp = 2,
    kSettingHostName = 5,
    kSettingWorkGroup = 7,
};

namespace DevicePacket {
constexpr std::size_t kOp = 0;
constexpr std::size_t kTag = 1;                  // ClientTag, 10 bytes
constexpr std::size_t kTagSize = 10;
constexpr std::size_t kTagCompared = 6;          // replies match on the first six tag bytes
constexpr std::size_t kDeviceId = 11;            // DeviceId, 10 bytes
constexpr std::size_t kDeviceIdSize = 10;
constexpr std::size_t kIdentitySize = 6;         // identity bytes at the start of the id
constexpr std::size_t kAddress = 17;             // device IPv4 address, network order
constexpr std::size_t kSubOp = 21;
constexpr std::size_t kDhcpState = 21;           // discovery replies: '1' = DHCP
constexpr std::size_t kTextFieldSize = 16;
constexpr std::size_t kNetmask = 24;             // setting requests, discovery replies
constexpr std::size_t kGateway = 40;

// Query request and reply.
constexpr std::size_t kQueryLength = 24;
constexpr std::size_t kQueryPayload = 28;
constexpr std::size_t kQueryResult = 28;

// Setting request.
constexpr std::size_t kSettingLength = 56;
constexpr std::size_t kSettingPayload = 60;

// Discovery replies: op 2, and op 7 with its type codes.
constexpr std::size_t kHostNameLength = 56;
constexpr std::size_t kHostName = 60;
constexpr std::size_t kTypeCode1 = 56;
constexpr std::size_t kTypeCode2 = 57;
constexpr std::size_t kExtendedHostNameLength = 68;
constexpr std::size_t kExtendedHostName = 72;

constexpr std::size_t kDiscoveryRequestSize = 11;
}  // namespace DevicePacket

constexpr std::uint8_t kAdminPasswordSeparator[2] = {0x55, 0xAA};

// A received datagram: only its first `length` bytes belong to it.
struct Datagram {
    const std::uint8_t* bytes = nullptr;
    std::size_t length = 0;

    std::uint8_t At(std::size_t offset) const { return offset < length ? bytes[offset] : 0; }
    bool Has(std::size_t offset, std::size_t count) const {
        return offset <= length && count <= length - offset;
    }
    std::uint32_t LengthField(std::size_t offset) const;  // little-endian; 0 past the end
};

// Builders. Each writes one request at the start of a zeroed buffer of kPacketBufferSize bytes
// and returns its length. All but the discovery builder address the DeviceList entry whose
// address is g_szTargetIP; with no such entry they write nothing and return 0.
std::size_t BuildDiscoveryRequest(std::uint8_t* buffer);
std::size_t BuildVerifyAdminPasswordRequest(std::uint8_t* buffer);
std::size_t BuildShareListRequest(std::uint8_t* buffer);
std::size_t BuildWorkGroupRequest(std::uint8_t* buffer);
std::size_t BuildStaticAddressRequest(std::uint8_t* buffer);
std::size_t BuildDhcpRequest(std::uint8_t* buffer);
std::size_t BuildHostNameRequest(std::uint8_t* buffer);
std::size_t BuildWorkGroupChangeRequest(std::uint8_t* buffer);

// True when bytes 1 to 6 of a reply equal the first six bytes of ClientTag.
bool IsReplyForUs(const Datagram& reply);

// Bytes 17 to 20 as "%d.%d.%d.%d" (all zero when the datagram is too short).
void RenderDeviceAddress(const Datagram& reply, char (&text)[16]);

// Copies the NUL-terminated text that starts at offset into out, bounded by the datagram and by
// the capacity of out (which always ends up NUL-terminated). Returns the length copied.
std::size_t ReadReplyText(const Datagram& reply, std::size_t offset, std::size_t fieldSize,
                          char* out, std::size_t capacity);

// Writes a 32-bit little-endian length field.
void PutLengthField(std::uint8_t* at, std::uint32_t value);

}  // namespace vidudi

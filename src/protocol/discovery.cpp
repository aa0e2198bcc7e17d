#include "protocol/discovery.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "protocol/device_table.h"
#include "protocol/network.h"

namespace vidudi {

namespace {

using namespace DevicePacket;

// What AddDeviceFromReply can use of a reply: up to the end of the longest name it keeps.
constexpr std::size_t kUsefulReplyBytes = kExtendedHostName + sizeof DeviceEntry::name;

// The accepted replies of one local address, in order of arrival, one per device address.
struct Heard {
    std::vector<std::vector<std::uint8_t>> replies;
    std::unordered_set<std::uint32_t> addresses;
};

// Whether the datagram is a device's announcement that this search takes, judged for the trace.
bool IsAnnouncement(const DiscoveryFilter& filter, const Datagram& datagram) {
    const std::uint8_t op = datagram.At(kOp);
    DatagramFate fate = DatagramFate::Accepted;
    if (op != kOpDiscoveryReply && op != kOpDiscoveryReplyExtended) {
        fate = DatagramFate::OtherOp;
    } else if (!IsReplyForUs(datagram)) {
        fate = DatagramFate::OtherInstance;
    } else if (!datagram.Has(op == kOpDiscoveryReply ? kHostNameLength : kExtendedHostNameLength, 4)) {
        // Too short to hold its fixed fields: not an announcement, and no shadow over a later one.
        fate = DatagramFate::Malformed;
    } else if (op == kOpDiscoveryReplyExtended &&
               !PassesFilter(filter, datagram.At(kTypeCode1), datagram.At(kTypeCode2))) {
        fate = DatagramFate::NotStorage;
    }
    JudgeDatagram(fate);
    return fate == DatagramFate::Accepted;
}

std::uint32_t AddressBytes(const Datagram& datagram) {
    std::uint32_t address = 0;
    for (std::size_t b = 0; b < 4; ++b) address = address << 8 | datagram.At(kAddress + b);
    return address;
}

}  // namespace

bool PassesFilter(const DiscoveryFilter& filter, std::uint8_t typeCode1, std::uint8_t typeCode2) {
    const bool matchesA = (filter.a.code1 == 0 || filter.a.code1 == typeCode1) &&
                          (filter.a.code2 == 0 || filter.a.code2 == typeCode2);
    const bool matchesB = filter.b.code1 == typeCode1 && filter.b.code2 == typeCode2;
    return matchesA || matchesB;
}

// The counted name is cut to what the datagram holds and to what the caller can keep.
std::size_t ReadAnnouncedName(const Datagram& reply, std::uint8_t layout, char* out, std::size_t capacity) {
    const bool extended = layout == kOpDiscoveryReplyExtended;
    const std::size_t nameLengthAt = extended ? kExtendedHostNameLength : kHostNameLength;
    const std::size_t nameAt = extended ? kExtendedHostName : kHostName;
    std::size_t nameLength = reply.LengthField(nameLengthAt);
    const std::size_t received = reply.length > nameAt ? reply.length - nameAt : 0;
    if (nameLength > received) nameLength = received;
    if (nameLength > capacity - 1) nameLength = capacity - 1;
    if (nameLength) std::memcpy(out, reply.bytes + nameAt, nameLength);
    out[nameLength] = '\0';
    return nameLength;
}

void AddDeviceFromReply(const Datagram& reply, std::uint8_t layout, int i) {
    const bool extended = layout == kOpDiscoveryReplyExtended;
    const std::size_t nameLengthAt = extended ? kExtendedHostNameLength : kHostNameLength;
    // A reply too short to hold its fixed fields is not a device announcement.
    if (!reply.Has(nameLengthAt, 4)) return;

    char name[sizeof DeviceEntry::name];
    ReadAnnouncedName(reply, layout, name, sizeof name);

    char address[16];
    RenderDeviceAddress(reply, address);
    if (FindDeviceByAddress(address)) return;  // the first reply from an address wins

    char netmask[kTextFieldSize];
    char gateway[kTextFieldSize];
    ReadReplyText(reply, kNetmask, kTextFieldSize, netmask, sizeof netmask);
    ReadReplyText(reply, kGateway, kTextFieldSize, gateway, sizeof gateway);
    const char dhcp[2] = {static_cast<char>(reply.At(kDhcpState)), '\0'};
    AppendDeviceEntry(name, address, netmask, gateway, reply.bytes + kDeviceId, dhcp, i);
}

// Every local address is asked at once and listened to at once, so a search costs one window
// however many networks there are. The table is then built as if the addresses had been asked
// one after the other: address 0's devices first, each address in order of arrival; a device
// heard on two addresses keeps the lower one, and the first reply from an address wins.
void SearchDevices(const DiscoveryFilter& filter) {
    FreeDeviceList();
    if (g_nLocalAddressCount <= 0) return;
    std::uint8_t request[kPacketBufferSize] = {};
    const std::size_t requestLength = BuildDiscoveryRequest(request);
    const AddressSet everywhere = AllLocalAddresses();

    FlushAddresses(everywhere);
    std::vector<Heard> heard(static_cast<std::size_t>(g_nLocalAddressCount));
    auto listen = [&](int i, const Datagram& datagram) {
        if (!IsAnnouncement(filter, datagram)) return false;
        Heard& on = heard[static_cast<std::size_t>(i)];
        if (on.addresses.insert(AddressBytes(datagram)).second) {
            const std::size_t kept = std::min(datagram.length, kUsefulReplyBytes);
            on.replies.emplace_back(datagram.bytes, datagram.bytes + kept);
        } else {
            JudgeDatagram(DatagramFate::Repeated);
        }
        return false;  // the window always runs to its end
    };

    const std::int64_t firstSend = NowMicros();
    for (int i = 0; i < g_nLocalAddressCount; ++i) SendOnAddress(i, request, requestLength);
    WaitForDatagrams({everywhere, firstSend + kDiscoverySendPause * 1000LL}, listen);
    for (int i = 0; i < g_nLocalAddressCount; ++i) SendOnAddress(i, request, requestLength);
    WaitForDatagrams({everywhere, firstSend + kDiscoveryWindow * 1000LL}, listen);

    for (int i = 0; i < g_nLocalAddressCount; ++i) {
        for (const std::vector<std::uint8_t>& reply : heard[static_cast<std::size_t>(i)].replies) {
            const Datagram datagram{reply.data(), reply.size()};
            AddDeviceFromReply(datagram, datagram.At(kOp), i);
        }
    }
}

}  // namespace vidudi

#include "protocol/discovery.h"

#include <cstring>

#include "protocol/device_table.h"
#include "protocol/network.h"

namespace vidudi {

namespace {

using namespace DevicePacket;

// Drains what earlier exchanges left queued on address i. A device that keeps sending must not
// hold the search here, so at most kMaxStaleDatagrams reads (good or failed) are made.
void FlushStaleDatagrams(int i, std::uint8_t* buffer) {
    for (int reads = 0; reads < kMaxStaleDatagrams && PollAddress(i); ++reads) {
        if (ReadOnAddress(i, buffer) >= 0) Pause(kDiscoveryCyclePause);
    }
}

void ExamineDatagram(const DiscoveryFilter& filter, const Datagram& datagram, int i) {
    const std::uint8_t op = datagram.At(kOp);
    if (op != kOpDiscoveryReply && op != kOpDiscoveryReplyExtended) return;
    if (!IsReplyForUs(datagram)) return;
    if (op == kOpDiscoveryReplyExtended &&
        !PassesFilter(filter, datagram.At(kTypeCode1), datagram.At(kTypeCode2))) {
        return;
    }
    AddDeviceFromReply(datagram, op, i);
}

void DiscoverOnAddress(const DiscoveryFilter& filter, int i, const std::uint8_t* request,
                       std::size_t requestLength, std::uint8_t* buffer) {
    SendOnAddress(i, request, requestLength);
    Pause(kDiscoverySendPause);
    SendOnAddress(i, request, requestLength);
    Pause(kDiscoverySendPause);

    int cycles = 0;
    // Failed reads repeat a cycle uncounted; the bound keeps a socket that fails every read
    // from holding the search for ever.
    int failedReads = 0;
    while (cycles < kDiscoveryWaitCycles) {
        if (PollAddress(i)) {
            int length = ReadOnAddress(i, buffer);
            if (length < 0 && ++failedReads <= kMaxStaleDatagrams) continue;
            if (length >= 0) {
                ExamineDatagram(filter, Datagram{buffer, static_cast<std::size_t>(length)}, i);
            }
        }
        if (++cycles < kDiscoveryWaitCycles) Pause(kDiscoveryCyclePause);
    }
}

}  // namespace

bool PassesFilter(const DiscoveryFilter& filter, std::uint8_t typeCode1, std::uint8_t typeCode2) {
    const bool matchesA = (filter.a.code1 == 0 || filter.a.code1 == typeCode1) &&
                          (filter.a.code2 == 0 || filter.a.code2 == typeCode2);
    const bool matchesB = filter.b.code1 == typeCode1 && filter.b.code2 == typeCode2;
    return matchesA || matchesB;
}

void AddDeviceFromReply(const Datagram& reply, std::uint8_t layout, int i) {
    const bool extended = layout == kOpDiscoveryReplyExtended;
    const std::size_t nameLengthAt = extended ? kExtendedHostNameLength : kHostNameLength;
    const std::size_t nameAt = extended ? kExtendedHostName : kHostName;
    // A reply too short to hold its fixed fields is not a device announcement.
    if (!reply.Has(nameLengthAt, 4)) return;

    // The counted name is cut to what the datagram holds and to what the record can keep.
    char name[sizeof DeviceEntry::name] = {};
    std::size_t nameLength = reply.LengthField(nameLengthAt);
    std::size_t received = reply.length > nameAt ? reply.length - nameAt : 0;
    if (nameLength > received) nameLength = received;
    if (nameLength > sizeof name - 1) nameLength = sizeof name - 1;
    if (nameLength) std::memcpy(name, reply.bytes + nameAt, nameLength);

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

void SearchDevices(const DiscoveryFilter& filter) {
    FreeDeviceList();
    std::uint8_t request[kPacketBufferSize] = {};
    const std::size_t requestLength = BuildDiscoveryRequest(request);
    std::uint8_t buffer[kReceiveBufferSize];

    for (int i = 0; i < g_nLocalAddressCount; ++i) FlushStaleDatagrams(i, buffer);
    for (int i = 0; i < g_nLocalAddressCount; ++i) {
        DiscoverOnAddress(filter, i, request, requestLength, buffer);
    }
}

}  // namespace vidudi

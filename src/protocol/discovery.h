#pragma once
// Discovery: ask every adapter on every local network to announce itself and rebuild DeviceList.
#include <cstddef>
#include <cstdint>

#include "protocol/packet.h"

namespace vidudi {

// Filter for op-7 replies. Pattern A accepts when each code is 0 or equal; pattern B must match
// exactly.
struct TypeCodePattern {
    std::uint8_t code1;
    std::uint8_t code2;
};
struct DiscoveryFilter {
    TypeCodePattern a;
    TypeCodePattern b;
};
// What every caller passes: type code 2 is 10, or both codes are 6.
constexpr DiscoveryFilter kDeviceFilter{{0, 10}, {6, 6}};

// The second copy of the request goes out this long after the first; replies are taken until
// kDiscoveryWindow after the first send.
constexpr int kDiscoverySendPause = 50;
constexpr int kDiscoveryWindow = 1040;

bool PassesFilter(const DiscoveryFilter& filter, std::uint8_t typeCode1, std::uint8_t typeCode2);
void SearchDevices(const DiscoveryFilter& filter);
// The host name an announcement of the layout (op 2 or 7) carries, cut to the datagram and to
// capacity - 1; out is NUL-terminated. Returns its length.
std::size_t ReadAnnouncedName(const Datagram& reply, std::uint8_t layout, char* out, std::size_t capacity);
// layout is the op of the reply form: kOpDiscoveryReply or kOpDiscoveryReplyExtended.
void AddDeviceFromReply(const Datagram& reply, std::uint8_t layout, int i);

}  // namespace vidudi

#include "config/address_rules.h"

#include <bit>
#include <utility>

namespace vidudi {
namespace {

struct OctetRange {
    std::uint8_t low;
    std::uint8_t high;
    const char* message;  // null when any value is accepted
};

// Per kind, the accepted range of o1 to o4 and the message when an octet is outside it.
constexpr OctetRange kIpRanges[4] = {
    {1, 254, "Invalid IP address in 1st digit. It should be 1-254."},
    {0, 254, "Invalid IP address in 2nd digit. It should be 0-254."},
    {0, 254, "Invalid IP address in 3rd digit. It should be 0-254."},
    {1, 254, "Invalid IP address in 4th digit. It should be 1-254."},
};
constexpr OctetRange kNetmaskRanges[4] = {
    {1, 255, "Invalid subnet mask address in 1st digit. It should be 1-255."},
    {0, 255, nullptr},
    {0, 255, nullptr},
    {0, 254, "Invalid subnet mask address in 4th digit. It should be 0-254."},
};
constexpr OctetRange kGatewayRanges[4] = {
    {1, 255, "Invalid gateway IP address in 1st digit. It should be 1-255."},
    {0, 255, nullptr},
    {0, 255, nullptr},
    {1, 254, "Invalid gateway IP address in 4th digit. It should be 1-254."},
};

const OctetRange* RangesOf(AddressKind kind) {
    switch (kind) {
    case AddressKind::IpAddress: return kIpRanges;
    case AddressKind::Netmask: return kNetmaskRanges;
    case AddressKind::Gateway: return kGatewayRanges;
    }
    return kIpRanges;
}

// o1 is the most significant byte: bit 31 is the top bit of o1.
std::uint32_t AddressValue(const Octets& octets) {
    return std::uint32_t{octets[0]} << 24 | std::uint32_t{octets[1]} << 16 |
           std::uint32_t{octets[2]} << 8 | std::uint32_t{octets[3]};
}

}  // namespace

RuleResult CheckOctetRanges(AddressKind kind, const Octets& octets, bool blank) {
    if (kind == AddressKind::Gateway && blank) return std::nullopt;
    const OctetRange* ranges = RangesOf(kind);
    for (int field = 0; field < 4; ++field) {
        const OctetRange& range = ranges[field];
        if (octets[field] < range.low || octets[field] > range.high)
            return RuleMessage{range.message, "Error", MessageIcon::Information, field};
    }
    return std::nullopt;
}

RuleResult CheckHostPart(const Octets& ip, const Octets& netmask) {
    // The host part is the run of zero bits that ends the netmask. For a mask that is not
    // 1...10...0 this still takes only that run; such a mask is refused later anyway.
    const int hostBits = std::countr_zero(AddressValue(netmask));
    if (hostBits == 0) return std::nullopt;
    const std::uint32_t hostMask = hostBits == 32 ? ~0u : (1u << hostBits) - 1;
    const std::uint32_t host = AddressValue(ip) & hostMask;
    if (host == 0)
        return RuleMessage{"Invalid IP address,the host address part of IP address can not be all 0.",
                           "Error", MessageIcon::Warning};
    if (host == hostMask)
        return RuleMessage{"Invalid IP address,the host address part of IP address can not be all 1.",
                           "Error", MessageIcon::Warning};
    return std::nullopt;
}

bool IsNetmaskContiguous(const Octets& netmask) {
    const std::uint32_t mask = AddressValue(netmask);
    // Inverted, a contiguous mask is 0...01...1, one less than a power of two. The all-zero
    // mask (o1 = 0, and no 1 may follow) wraps round to 0 and fails with the rest.
    return std::has_single_bit(~mask + 1u);
}

bool CheckGatewayPlacement(const Octets& ip, const Octets& netmask, const Octets& gateway) {
    const std::uint32_t mask = AddressValue(netmask);
    const std::uint32_t network = AddressValue(ip) & mask;
    const std::uint32_t broadcast = AddressValue(ip) | ~mask;
    const std::uint32_t gw = AddressValue(gateway);
    return gw != network && gw != broadcast && (gw & mask) == network;
}

RuleMessage NetmaskInvalidMessage() {
    return {"Netmask address input invalid. Please try again.", "Error", MessageIcon::Error};
}

RuleMessage GatewayPlacementMessage() {
    return {"You enter incorrect TCP/IP configuration. Please try again.", "Error", MessageIcon::Error};
}

std::optional<AddressRuleFailure> CheckStaticAddress(const Octets& ip, const Octets& netmask,
                                                     const Octets& gateway,
                                                     const std::function<void(AddressKind)>& passed) {
    const auto pass = [&passed](AddressKind kind) {
        if (passed) passed(kind);
    };
    if (auto message = CheckOctetRanges(AddressKind::IpAddress, ip))
        return AddressRuleFailure{AddressKind::IpAddress, std::move(*message)};
    pass(AddressKind::IpAddress);
    if (auto message = CheckOctetRanges(AddressKind::Netmask, netmask))
        return AddressRuleFailure{AddressKind::Netmask, std::move(*message)};
    if (auto message = CheckHostPart(ip, netmask))
        return AddressRuleFailure{AddressKind::IpAddress, std::move(*message)};
    pass(AddressKind::Netmask);
    if (auto message = CheckOctetRanges(AddressKind::Gateway, gateway))
        return AddressRuleFailure{AddressKind::Gateway, std::move(*message)};
    pass(AddressKind::Gateway);
    if (!IsNetmaskContiguous(netmask))
        return AddressRuleFailure{AddressKind::Netmask, NetmaskInvalidMessage()};
    if (!CheckGatewayPlacement(ip, netmask, gateway))
        return AddressRuleFailure{AddressKind::Gateway, GatewayPlacementMessage()};
    return std::nullopt;
}

}  // namespace vidudi

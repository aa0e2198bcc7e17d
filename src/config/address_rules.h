#pragma once
// The rules a static address must pass before it is sent to a device: octet ranges, host part,
// netmask shape and gateway placement. Pure functions; the IP Setting section and the command
// line both use them.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "config/rule_message.h"

namespace vidudi {

// The four fields of an IP address control, leftmost first; an empty field reads as 0.
using Octets = std::array<std::uint8_t, 4>;

// Which of the three address controls an entry came from.
enum class AddressKind { IpAddress = 1, Netmask = 2, Gateway = 3 };

// Each octet against the range of its kind, o1 first; the message puts the caret in the first
// field out of range. `blank` is the control's "every field empty" state and only counts for
// the gateway, which then passes unchecked.
RuleResult CheckOctetRanges(AddressKind kind, const Octets& octets, bool blank = false);

// The host bits of the IP address (the netmask's trailing zero bits) may be neither all 0 nor
// all 1. A netmask with no zero bit at its end leaves no host part and passes.
RuleResult CheckHostPart(const Octets& ip, const Octets& netmask);

// True for 1...10...0 with at least one leading 1.
bool IsNetmaskContiguous(const Octets& netmask);

// True when the gateway lies in the IP address's subnet and is neither its network nor its
// broadcast address.
bool CheckGatewayPlacement(const Octets& ip, const Octets& netmask, const Octets& gateway);

// What the caller shows when IsNetmaskContiguous or CheckGatewayPlacement fails.
RuleMessage NetmaskInvalidMessage();
RuleMessage GatewayPlacementMessage();

struct AddressRuleFailure {
    AddressKind address;  // the control the message is about
    RuleMessage message;
};

// The whole chain for a static address whose three controls are filled (blank controls are
// refused before this): IP octets, netmask octets, host part, gateway octets, netmask shape,
// gateway placement. The first failure, or nothing when the address may be sent. `passed`, when
// given, hears of each address as soon as its own checks have passed (the IP address after its
// octets, the netmask after its octets and the host part, the gateway after its octets), before
// the later rules run.
std::optional<AddressRuleFailure> CheckStaticAddress(const Octets& ip, const Octets& netmask,
                                                     const Octets& gateway,
                                                     const std::function<void(AddressKind)>& passed = {});

}  // namespace vidudi

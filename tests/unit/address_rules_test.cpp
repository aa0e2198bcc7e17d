// The static-address rules as the user meets them: which entry is refused, with which message,
// caption, icon and caret position, and in which order the rules run.
#include <gtest/gtest.h>

#include <string>

#include "config/address_rules.h"

namespace vidudi {
namespace {

constexpr Octets kMask24 = {255, 255, 255, 0};
constexpr Octets kMask25 = {255, 255, 255, 128};

// The failure of the whole chain, or "" when the address may be sent.
std::string Refusal(const Octets& ip, const Octets& netmask, const Octets& gateway) {
    auto failure = CheckStaticAddress(ip, netmask, gateway);
    return failure ? failure->message.text : "";
}

struct MessageCase {
    Octets ip, netmask, gateway;
    AddressKind address;
    const char* text;
    MessageIcon icon;
    int focusField;
};

TEST(AddressRules, EveryMessageWithItsCaptionIconAndField) {
    const Octets gw = {192, 168, 1, 1};
    const MessageCase cases[] = {
        {{0, 168, 1, 10}, kMask24, gw, AddressKind::IpAddress,
         "Invalid IP address in 1st digit. It should be 1-254.", MessageIcon::Information, 0},
        {{192, 255, 1, 10}, kMask24, gw, AddressKind::IpAddress,
         "Invalid IP address in 2nd digit. It should be 0-254.", MessageIcon::Information, 1},
        {{192, 168, 255, 10}, kMask24, gw, AddressKind::IpAddress,
         "Invalid IP address in 3rd digit. It should be 0-254.", MessageIcon::Information, 2},
        {{192, 168, 1, 0}, kMask24, gw, AddressKind::IpAddress,
         "Invalid IP address in 4th digit. It should be 1-254.", MessageIcon::Information, 3},
        {{192, 168, 1, 10}, {0, 255, 255, 0}, gw, AddressKind::Netmask,
         "Invalid subnet mask address in 1st digit. It should be 1-255.", MessageIcon::Information, 0},
        {{192, 168, 1, 10}, {255, 255, 255, 255}, gw, AddressKind::Netmask,
         "Invalid subnet mask address in 4th digit. It should be 0-254.", MessageIcon::Information, 3},
        {{192, 168, 1, 10}, kMask24, {0, 168, 1, 1}, AddressKind::Gateway,
         "Invalid gateway IP address in 1st digit. It should be 1-255.", MessageIcon::Information, 0},
        {{192, 168, 1, 10}, kMask24, {192, 168, 1, 0}, AddressKind::Gateway,
         "Invalid gateway IP address in 4th digit. It should be 1-254.", MessageIcon::Information, 3},
        {{192, 168, 1, 128}, kMask25, gw, AddressKind::IpAddress,
         "Invalid IP address,the host address part of IP address can not be all 0.", MessageIcon::Warning, -1},
        {{192, 168, 1, 127}, kMask25, gw, AddressKind::IpAddress,
         "Invalid IP address,the host address part of IP address can not be all 1.", MessageIcon::Warning, -1},
        {{10, 0, 0, 1}, {255, 0, 255, 0}, {10, 0, 0, 2}, AddressKind::Netmask,
         "Netmask address input invalid. Please try again.", MessageIcon::Error, -1},
        {{192, 168, 1, 10}, kMask24, {192, 168, 2, 1}, AddressKind::Gateway,
         "You enter incorrect TCP/IP configuration. Please try again.", MessageIcon::Error, -1},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.text);
        auto failure = CheckStaticAddress(c.ip, c.netmask, c.gateway);
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->address, c.address);
        EXPECT_EQ(failure->message, (RuleMessage{c.text, "Error", c.icon, c.focusField}));
    }
}

TEST(AddressRules, OctetRangesDifferByKindAndTheLeftmostBadFieldGetsTheCaret) {
    // 255 is refused anywhere in an IP address, accepted in o1 of netmask and gateway.
    EXPECT_EQ(CheckOctetRanges(AddressKind::IpAddress, {255, 1, 1, 1})->focusField, 0);
    EXPECT_FALSE(CheckOctetRanges(AddressKind::Netmask, {255, 1, 1, 1}));
    EXPECT_FALSE(CheckOctetRanges(AddressKind::Gateway, {255, 1, 1, 1}));
    EXPECT_EQ(CheckOctetRanges(AddressKind::IpAddress, {192, 168, 0, 255})->focusField, 3);
    EXPECT_EQ(CheckOctetRanges(AddressKind::IpAddress, {10, 0, 255, 255})->focusField, 2);

    // Range edges that pass; the middle octets of netmask and gateway take any value.
    EXPECT_FALSE(CheckOctetRanges(AddressKind::IpAddress, {1, 0, 0, 1}));
    EXPECT_FALSE(CheckOctetRanges(AddressKind::IpAddress, {254, 254, 254, 254}));
    EXPECT_FALSE(CheckOctetRanges(AddressKind::Netmask, {1, 0, 255, 0}));
    EXPECT_FALSE(CheckOctetRanges(AddressKind::Netmask, {255, 255, 255, 254}));
    EXPECT_FALSE(CheckOctetRanges(AddressKind::Gateway, {1, 255, 0, 254}));

    // Only a blank gateway passes unchecked; blank means nothing for the other two controls.
    EXPECT_FALSE(CheckOctetRanges(AddressKind::Gateway, {0, 0, 0, 0}, true));
    EXPECT_TRUE(CheckOctetRanges(AddressKind::Gateway, {0, 0, 0, 0}, false));
    EXPECT_TRUE(CheckOctetRanges(AddressKind::IpAddress, {0, 0, 0, 0}, true));
    EXPECT_TRUE(CheckOctetRanges(AddressKind::Netmask, {0, 0, 0, 0}, true));
}

TEST(AddressRules, HostPartIsTheMasksTrailingZeroBits) {
    // A host part that spans octets: /23 with o4 = 0 or 255 is a valid host.
    EXPECT_FALSE(CheckHostPart({10, 0, 1, 0}, {255, 255, 254, 0}));
    EXPECT_FALSE(CheckHostPart({10, 0, 0, 255}, {255, 255, 254, 0}));
    EXPECT_TRUE(CheckHostPart({10, 0, 0, 0}, {255, 255, 254, 0}));
    EXPECT_TRUE(CheckHostPart({10, 0, 1, 255}, {255, 255, 254, 0}));
    EXPECT_FALSE(CheckHostPart({10, 255, 0, 255}, {255, 0, 0, 0}));
    // A mask with no host bits leaves nothing to check.
    EXPECT_FALSE(CheckHostPart({192, 168, 1, 1}, {255, 255, 255, 255}));
    // A mask that is not 1...10...0: only the zero bits at its end count, so the zero octet in
    // the middle of 255.0.255.0 is not taken as host part.
    EXPECT_TRUE(CheckHostPart({10, 5, 0, 0}, {255, 0, 255, 0}));
    EXPECT_TRUE(CheckHostPart({10, 0, 0, 255}, {255, 0, 255, 0}));
    EXPECT_FALSE(CheckHostPart({10, 0, 0, 1}, {1, 0, 0, 0}));
    // An all-zero mask makes the whole address the host part.
    EXPECT_TRUE(CheckHostPart({0, 0, 0, 0}, {0, 0, 0, 0}));
    EXPECT_FALSE(CheckHostPart({10, 0, 0, 1}, {0, 0, 0, 0}));
    // A /31 leaves one host bit: every address is all 0 or all 1.
    for (int o4 = 1; o4 <= 254; ++o4) {
        EXPECT_TRUE(CheckHostPart({10, 168, 7, static_cast<std::uint8_t>(o4)}, {255, 255, 255, 254})) << o4;
    }
}

TEST(AddressRules, NetmaskMustBeOnesThenZeros) {
    for (int prefix = 1; prefix <= 32; ++prefix) {
        const std::uint32_t value = ~0u << (32 - prefix);
        const Octets mask = {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                             static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
        EXPECT_TRUE(IsNetmaskContiguous(mask)) << "/" << prefix;
    }
    EXPECT_FALSE(IsNetmaskContiguous({0, 0, 0, 0}));
    EXPECT_FALSE(IsNetmaskContiguous({1, 0, 0, 0}));
    EXPECT_FALSE(IsNetmaskContiguous({255, 0, 255, 0}));
    EXPECT_FALSE(IsNetmaskContiguous({255, 255, 255, 1}));
}

TEST(AddressRules, GatewayMustBeAHostOfTheSameSubnet) {
    const char* placement = "You enter incorrect TCP/IP configuration. Please try again.";
    // Network address, broadcast address, the other half of a split /24 (another subnet is in
    // EveryMessageWithItsCaptionIconAndField).
    EXPECT_EQ(Refusal({192, 168, 1, 130}, kMask25, {192, 168, 1, 128}), placement);
    EXPECT_EQ(Refusal({192, 168, 1, 10}, kMask25, {192, 168, 1, 127}), placement);
    EXPECT_EQ(Refusal({192, 168, 1, 130}, kMask25, {192, 168, 1, 10}), placement);
    // The broadcast address of a /24 is refused earlier, by the gateway's o4 range.
    EXPECT_EQ(Refusal({192, 168, 1, 130}, kMask25, {192, 168, 1, 255}),
              "Invalid gateway IP address in 4th digit. It should be 1-254.");

    EXPECT_EQ(Refusal({192, 168, 1, 10}, kMask24, {192, 168, 1, 10}), "");  // the device itself
    EXPECT_EQ(Refusal({192, 168, 1, 130}, kMask25, {192, 168, 1, 129}), "");
    EXPECT_EQ(Refusal({10, 1, 2, 3}, {255, 0, 0, 0}, {10, 255, 255, 254}), "");
    // A short prefix lets the gateway's o1 be 255.
    EXPECT_EQ(Refusal({200, 0, 0, 1}, {128, 0, 0, 0}, {255, 0, 0, 1}), "");
}

TEST(AddressRules, TheChainStopsAtTheFirstRuleInItsOrder) {
    // IP octets before netmask octets.
    EXPECT_EQ(Refusal({0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}),
              "Invalid IP address in 1st digit. It should be 1-254.");
    // Netmask octets before the host part.
    EXPECT_EQ(Refusal({192, 168, 1, 128}, {0, 255, 255, 128}, {192, 168, 1, 1}),
              "Invalid subnet mask address in 1st digit. It should be 1-255.");
    // Host part before gateway octets.
    EXPECT_EQ(Refusal({192, 168, 1, 128}, kMask25, {0, 0, 0, 0}),
              "Invalid IP address,the host address part of IP address can not be all 0.");
    // Gateway octets before the netmask's shape.
    EXPECT_EQ(Refusal({10, 0, 0, 1}, {255, 0, 255, 0}, {10, 0, 0, 255}),
              "Invalid gateway IP address in 4th digit. It should be 1-254.");
    // The netmask's shape before the gateway's placement.
    EXPECT_EQ(Refusal({10, 0, 0, 1}, {255, 0, 255, 0}, {11, 0, 0, 2}),
              "Netmask address input invalid. Please try again.");
}

}  // namespace
}  // namespace vidudi

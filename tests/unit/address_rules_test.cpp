// The static-address rules as the user meets them: the message, caption, icon and caret of the
// first rule that refuses, in the order the rules run.
#include <gtest/gtest.h>

#include "config/address_rules.h"

namespace vidudi {
namespace {

TEST(AddressRules, FirstRefusalWithItsMessage) {
    const Octets m24 = {255, 255, 255, 0}, m25 = {255, 255, 255, 128}, gw = {192, 168, 1, 1};
    using K = AddressKind;
    using I = MessageIcon;
    struct Case {
        Octets ip, netmask, gateway;
        K kind;
        const char* text;
        I icon;
        int field;
    };
    const Case cases[] = {
        {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, K::IpAddress, "Invalid IP address in 1st digit. It should be 1-254.", I::Information, 0},
        {{192, 255, 1, 10}, m24, gw, K::IpAddress, "Invalid IP address in 2nd digit. It should be 0-254.", I::Information, 1},
        {{192, 168, 1, 0}, m24, gw, K::IpAddress, "Invalid IP address in 4th digit. It should be 1-254.", I::Information, 3},
        {{192, 168, 1, 128}, {0, 255, 255, 128}, gw, K::Netmask, "Invalid subnet mask address in 1st digit. It should be 1-255.", I::Information, 0},
        {{192, 168, 1, 10}, {255, 255, 255, 255}, gw, K::Netmask, "Invalid subnet mask address in 4th digit. It should be 0-254.", I::Information, 3},
        {{192, 168, 1, 128}, m25, {0, 0, 0, 0}, K::IpAddress, "Invalid IP address,the host address part of IP address can not be all 0.", I::Warning, -1},
        {{192, 168, 1, 127}, m25, gw, K::IpAddress, "Invalid IP address,the host address part of IP address can not be all 1.", I::Warning, -1},
        {{10, 0, 0, 1}, {255, 0, 255, 0}, {10, 0, 0, 255}, K::Gateway, "Invalid gateway IP address in 4th digit. It should be 1-254.", I::Information, 3},
        {{192, 168, 1, 10}, m24, {0, 168, 1, 1}, K::Gateway, "Invalid gateway IP address in 1st digit. It should be 1-255.", I::Information, 0},
        {{10, 0, 0, 1}, {255, 0, 255, 0}, {11, 0, 0, 2}, K::Netmask, "Netmask address input invalid. Please try again.", I::Error, -1},
        {{192, 168, 1, 130}, m25, {192, 168, 1, 10}, K::Gateway, "You enter incorrect TCP/IP configuration. Please try again.", I::Error, -1},
        {{192, 168, 1, 10}, m25, {192, 168, 1, 127}, K::Gateway, "You enter incorrect TCP/IP configuration. Please try again.", I::Error, -1},
        {{192, 168, 1, 130}, m25, {192, 168, 1, 129}, K::IpAddress, "", I::Error, -1},
        {{200, 0, 0, 1}, {128, 0, 0, 0}, {255, 0, 0, 1}, K::IpAddress, "", I::Error, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto failure = CheckStaticAddress(c.ip, c.netmask, c.gateway);
        if (!*c.text) {
            EXPECT_FALSE(failure.has_value());
            continue;
        }
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->address, c.kind);
        EXPECT_EQ(failure->message, (RuleMessage{c.text, "Error", c.icon, c.field}));
    }
}

}  // namespace
}  // namespace vidudi

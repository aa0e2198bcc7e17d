// The address parser of the device click, by the classic rules.
#include <gtest/gtest.h>

#include <cstring>

#include "ui/parse_ipv4.h"

namespace vidudi::ui {
namespace {

TEST(ParseIPv4AddressTest, PartsAndBases) {
    const struct {
        const char* text;
        const char* bytes;  // as they lie in memory, or "fail" when nothing may be stored
    } cases[] = {
        {"3232235545", "192.168.0.25"}, {"10.1.258", "10.1.1.2"},   {"0xC0.0250.0.25", "192.168.0.25"},
        {"019.0.0.1", "17.0.0.1"},      {"1..2", "1.0.0.2"},         {"1.2.3.4  \t", "1.2.3.4"},
        {"256.1.1.1", "fail"},          {"10.16777216", "fail"},     {"1.2.3.4.5", "fail"},
        {"1.2.3.4x", "fail"},           {"99999999999999999999", "fail"},
    };
    for (const auto& c : cases) {
        std::uint32_t address = 0xDEADBEEF;
        std::string got = "fail";
        if (ParseIPv4Address(c.text, &address)) {
            unsigned char b[4];
            std::memcpy(b, &address, 4);
            got = std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
                  std::to_string(b[3]);
        } else {
            EXPECT_EQ(address, 0xDEADBEEFu) << c.text;
        }
        EXPECT_EQ(got, c.bytes) << c.text;
    }
}

}  // namespace
}  // namespace vidudi::ui

// The address parser of the device click, by the classic rules.
#include <gtest/gtest.h>

#include <cstring>

#include "ui/parse_ipv4.h"

namespace vidudi::ui {
namespace {

// The four bytes as they lie in memory (network order).
std::string Bytes(std::uint32_t address) {
    unsigned char b[4];
    std::memcpy(b, &address, 4);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." + std::to_string(b[3]);
}

std::string Parse(const char* text) {
    std::uint32_t address = 0xDEADBEEF;
    if (!ParseIPv4Address(text, &address)) return address == 0xDEADBEEF ? "fail" : "fail-but-stored";
    return Bytes(address);
}

TEST(ParseIPv4AddressTest, PartsFillTheRemainingBytes) {
    EXPECT_EQ(Parse("192.168.0.25"), "192.168.0.25");
    EXPECT_EQ(Parse("10.77.1.2"), "10.77.1.2");
    EXPECT_EQ(Parse("3232235545"), "192.168.0.25");  // one part: the whole value
    EXPECT_EQ(Parse("10.1"), "10.0.0.1");            // two parts: 8 + 24 bits
    EXPECT_EQ(Parse("10.1.258"), "10.1.1.2");        // three parts: 8 + 8 + 16 bits
    EXPECT_EQ(Parse("10.16777215"), "10.255.255.255");
    EXPECT_EQ(Parse("0xC0.0250.0.25"), "192.168.0.25");  // hex and octal parts
    EXPECT_EQ(Parse("019.0.0.1"), "17.0.0.1");           // 9 counts in octal too
    EXPECT_EQ(Parse(".1.2.3"), "0.1.2.3");               // an empty part is 0
    EXPECT_EQ(Parse("1..2"), "1.0.0.2");
    EXPECT_EQ(Parse("1.2.3.4  \t"), "1.2.3.4");          // trailing white space
    EXPECT_EQ(Parse("1.2.3."), "1.2.3.0");               // ends in an empty fourth part
}

TEST(ParseIPv4AddressTest, OutOfRangeOrTrailingTextFailsAndStoresNothing) {
    for (const char* bad : {"256.1.1.1", "1.2.3.256", "10.16777216", "1.2.65536", "4294967296", "1.2.3.4.5",
                            "1.2.3.4x", "a.b.c.d", "1.2.3.4 5", "99999999999999999999"}) {
        EXPECT_EQ(Parse(bad), "fail") << bad;
    }
}

}  // namespace
}  // namespace vidudi::ui

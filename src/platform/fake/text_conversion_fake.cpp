#include <cstdint>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/utf8.h"

namespace vidudi::platform {

namespace {

// Code units of Windows-1252 for 0x80..0x9F; 0 where the code page maps the byte to itself.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char ToCp1252(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (int byte = 0; byte < 32; ++byte) {
        const char16_t mapped = kCp1252High[byte] ? kCp1252High[byte] : static_cast<char16_t>(0x80 + byte);
        if (mapped == unit) return static_cast<char>(0x80 + byte);
    }
    return '?';
}

}  // namespace

std::string FakeTextConversion::Utf8ToAnsi(std::string_view utf8) {
    std::string ansi;
    for (char16_t unit : DecodeUtf8(utf8)) {
        if (ansi.size() == kMaxAnsiTextLength) break;
        ansi.push_back(ToCp1252(unit));
    }
    return ansi;
}

}  // namespace vidudi::platform

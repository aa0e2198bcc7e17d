#include "ui/parse_ipv4.h"

#include <cctype>

namespace vidudi::ui {

int ParseIPv4Address(const char* text, std::uint32_t* address) {
    std::uint32_t parts[4] = {};
    int count = 0;
    const char* at = text;
    for (;;) {
        std::uint64_t value = 0;
        unsigned base = 10;
        if (*at == '0') {
            base = 8;
            ++at;
            if (*at == 'x' || *at == 'X') {
                base = 16;
                ++at;
            }
        }
        for (;; ++at) {
            const auto c = static_cast<unsigned char>(*at);
            unsigned digit;
            if (std::isdigit(c)) {
                digit = c - '0';  // 8 and 9 count in base 8 too, as the classic parser lets them
            } else if (base == 16 && std::isxdigit(c)) {
                digit = static_cast<unsigned>(std::tolower(c) - 'a' + 10);
            } else {
                break;
            }
            value = value * base + digit;
            // Past 32 bits no part can be valid; stop growing so the value cannot wrap.
            if (value > 0xFFFFFFFFull) value = 0x100000000ull;
        }
        if (*at == '.') {
            if (count == 3 || value > 255) return 0;
            parts[count++] = static_cast<std::uint32_t>(value);
            ++at;
            continue;
        }
        if (value > 0xFFFFFFFFull) return 0;
        parts[count++] = static_cast<std::uint32_t>(value);
        break;
    }
    while (*at) {
        if (!std::isspace(static_cast<unsigned char>(*at))) return 0;
        ++at;
    }
    static constexpr std::uint32_t kLastPartLimit[] = {0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
    const std::uint32_t last = parts[count - 1];
    if (last > kLastPartLimit[count - 1]) return 0;
    std::uint32_t host = last;
    for (int i = 0; i < count - 1; ++i) host |= parts[i] << (24 - 8 * i);
    // Network byte order: the first octet first in memory.
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(host >> 24), static_cast<std::uint8_t>(host >> 16),
                                   static_cast<std::uint8_t>(host >> 8), static_cast<std::uint8_t>(host)};
    std::uint32_t stored = 0;
    for (int b = 3; b >= 0; --b) stored = (stored << 8) | bytes[b];
    *address = stored;
    return 1;
}

}  // namespace vidudi::ui

#include "platform/utf8.h"

#include <cstddef>

namespace vidudi::platform {

namespace {

constexpr std::size_t kWideBufferCharacters = 1024;  // with its terminator
constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::vector<char16_t> DecodeUtf8(std::string_view utf8) {
    std::vector<char16_t> wide;
    const std::size_t limit = kWideBufferCharacters - 1;
    std::size_t at = 0;
    while (at < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        std::size_t length = 0;
        char32_t code = 0;
        // The second byte's range rules out overlong forms, surrogates and values above U+10FFFF.
        unsigned char low = 0x80, high = 0xBF;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        }
        std::size_t have = length == 0 ? 0 : 1;
        while (have > 0 && have < length && at + have < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[at + have]);
            if (!IsContinuation(next) || (have == 1 && (next < low || next > high))) break;
            code = (code << 6) | (next & 0x3F);
            ++have;
        }
        if (length == 0 || have < length) {
            code = kReplacement;
            length = have == 0 ? 1 : have;
        }
        const std::size_t units = code >= 0x10000 ? 2 : 1;
        if (wide.size() + units > limit) break;
        if (units == 2) {
            const char32_t rest = code - 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (rest >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (rest & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(code));
        }
        at += length;
    }
    return wide;
}

}  // namespace vidudi::platform

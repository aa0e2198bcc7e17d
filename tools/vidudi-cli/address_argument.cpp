#include "address_argument.h"

#include <cstdio>

namespace vidudi::cli {

bool ParseDottedQuad(const std::string& text, unsigned char (&octets)[4]) {
    std::size_t at = 0;
    for (int k = 0; k < 4; ++k) {
        if (k > 0) {
            if (at >= text.size() || text[at] != '.') return false;
            ++at;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return false;
        octets[k] = static_cast<unsigned char>(value);
    }
    return at == text.size();
}

std::string DottedQuad(const Octets& octets) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
    return text;
}

}  // namespace vidudi::cli

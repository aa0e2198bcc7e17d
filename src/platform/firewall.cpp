#include "platform/firewall.h"

#include <cstdlib>

namespace vidudi::platform {

namespace {

// A decimal port number, 0 to 65535, and nothing else; -1 otherwise.
long PortNumber(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return value <= 65535 ? value : -1;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool PortListIncludes(const std::string& list, unsigned short port) {
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = list.find(',', start);
        const std::string item = Trimmed(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (item == "*") return true;
        const std::size_t dash = item.find('-');
        const long low = PortNumber(item.substr(0, dash));
        const long high = dash == std::string::npos ? low : PortNumber(item.substr(dash + 1));
        if (low >= 0 && high >= low && port >= low && port <= high) return true;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return false;
}

}  // namespace vidudi::platform

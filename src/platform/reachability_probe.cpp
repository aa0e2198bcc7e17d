#include "platform/reachability_probe.h"

namespace vidudi::platform {

std::optional<HttpEndpoint> HttpEndpointOf(const std::string& url) {
    constexpr char kScheme[] = "http://";
    if (url.rfind(kScheme, 0) != 0) return std::nullopt;
    const std::string rest = url.substr(sizeof kScheme - 1);
    const std::string authority = rest.substr(0, rest.find_first_of("/?#"));
    HttpEndpoint endpoint;
    const auto colon = authority.find(':');
    endpoint.host = authority.substr(0, colon);
    if (endpoint.host.empty()) return std::nullopt;
    if (colon != std::string::npos) {
        const std::string digits = authority.substr(colon + 1);
        if (digits.empty() || digits.size() > 5) return std::nullopt;
        unsigned long port = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
            port = port * 10 + static_cast<unsigned long>(c - '0');
        }
        if (port == 0 || port > 65535) return std::nullopt;
        endpoint.port = static_cast<std::uint16_t>(port);
    }
    return endpoint;
}

}  // namespace vidudi::platform

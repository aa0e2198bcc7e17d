#pragma once
// Whether a device's web page can be reached right now (InternetCheckConnectionA with its
// force flag): a real connection attempt to the page's host and port, not a cached state.
#include <cstdint>
#include <optional>
#include <string>

namespace vidudi::platform {

class ReachabilityProbe {
public:
    virtual ~ReachabilityProbe() = default;
    // Blocks until the platform decides; callers that must not wait that long run it on a
    // worker and stop listening after their own time limit.
    virtual bool CanConnect(const std::string& url) = 0;
};

struct HttpEndpoint {
    std::string host;
    std::uint16_t port = 80;
};

// "http://HOST[:PORT][/PATH]": the host and port (80 when none is given). Nothing for another
// scheme, an empty host or a port that is not a number from 1 to 65535.
std::optional<HttpEndpoint> HttpEndpointOf(const std::string& url);

}  // namespace vidudi::platform

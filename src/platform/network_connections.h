#pragma once
// Connections of local drive letters to network shares (the WNet functions). Every platform
// error is reduced to success or failure: no code or system text reaches the user.
#include <cstdint>
#include <optional>
#include <string>

namespace vidudi::platform {

// Connection flags, as the system numbers them.
constexpr std::uint32_t kConnectUpdateProfile = 1;  // remembered for later log-ons; a disconnect forgets it
constexpr std::uint32_t kConnectInteractive = 8;    // the system may ask the user for credentials

// One connect call: a disk resource with no provider named.
struct ConnectionRequest {
    std::string remoteName;  // "\\host\share"
    std::string localName;   // "F:"
    std::string password;    // passed as given: an empty text is "no password", not "the default"
    std::string user;
    std::uint32_t flags = kConnectUpdateProfile;
};

class NetworkConnections {
public:
    virtual ~NetworkConnections() = default;
    // The remote name the local device ("F:") is connected to. Nothing on any error: not
    // connected, not a network drive, a name longer than 255 characters.
    virtual std::optional<std::string> RemoteName(const std::string& localName) = 0;
    virtual bool Connect(const ConnectionRequest& request) = 0;
    // Without `force` a connection with open files stays.
    virtual bool Disconnect(const std::string& name, std::uint32_t flags, bool force) = 0;
};

}  // namespace vidudi::platform

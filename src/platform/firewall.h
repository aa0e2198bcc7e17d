#pragma once
// What Windows Firewall does to the adapters' replies: whether it is on for the profiles in
// force, and whether an inbound rule lets this program, or the replies' UDP port, in.
#include <optional>
#include <string>

namespace vidudi::platform {

struct FirewallState {
    std::string profiles;         // the profiles in force: "domain", "private", "public", joined by ", "
    bool enabled = false;         // on for one of them
    bool programAllowed = false;  // an enabled inbound allow rule names this program
    bool portAllowed = false;     // one allows UDP to the port (or to every port)
};

class Firewall {
public:
    virtual ~Firewall() = default;
    // Nothing when there is no such firewall to read (Linux) or it cannot be read.
    virtual std::optional<FirewallState> Inspect(unsigned short udpPort) = 0;
};

// Whether a rule's local-port list ("*", "13579", "80,13570-13580", ...) takes in port.
bool PortListIncludes(const std::string& list, unsigned short port);

}  // namespace vidudi::platform

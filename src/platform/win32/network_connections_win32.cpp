#include <windows.h>
#include <winnetwk.h>

#include "platform/win32/win32_services.h"

namespace vidudi::platform {

namespace {

class SystemNetworkConnections final : public NetworkConnections {
public:
    std::optional<std::string> RemoteName(const std::string& localName) override {
        char remote[256];
        DWORD size = sizeof remote;
        if (WNetGetConnectionA(localName.c_str(), remote, &size) != NO_ERROR) return std::nullopt;
        remote[sizeof remote - 1] = '\0';
        return std::string(remote);
    }

    bool Connect(const ConnectionRequest& request) override {
        // The structure takes non-const texts; the function only reads them.
        std::string remote = request.remoteName;
        std::string local = request.localName;
        NETRESOURCEA resource{};
        resource.dwType = RESOURCETYPE_DISK;
        resource.lpLocalName = local.data();
        resource.lpRemoteName = remote.data();
        resource.lpProvider = nullptr;
        return WNetAddConnection2A(&resource, request.password.c_str(), request.user.c_str(), request.flags) ==
               NO_ERROR;
    }

    bool Disconnect(const std::string& name, std::uint32_t flags, bool force) override {
        return WNetCancelConnection2A(name.c_str(), flags, force ? TRUE : FALSE) == NO_ERROR;
    }
};

}  // namespace

NetworkConnections& Win32NetworkConnections() {
    static SystemNetworkConnections connections;
    return connections;
}

}  // namespace vidudi::platform

#pragma once
// Shares connected the way a Linux desktop connects them: mounted by its virtual file system
// (GVfs), each under a folder of its own, with no drive letters. Where shares go to drive
// letters (Windows), the service is the null one and Map Drive uses NetworkConnections.
#include <optional>
#include <string>
#include <vector>

namespace vidudi::platform {

struct ShareMount {
    std::string host;    // the server as mounted: an address or a name
    std::string share;
    std::string folder;  // where the share's files are
    bool operator==(const ShareMount&) const = default;
};

struct ShareCredentials {
    std::string user;
    std::string password;
};

class ShareMounts {
public:
    virtual ~ShareMounts() = default;
    // False where shares are connected to drive letters instead.
    virtual bool Available() = 0;
    // The shares mounted now, by whoever mounted them.
    virtual std::vector<ShareMount> Mounted() = 0;
    // Mounts the share of `host` (an address); without credentials as a guest, asking nothing.
    // True once it is mounted.
    virtual bool Mount(const std::string& host, const std::string& share,
                       const std::optional<ShareCredentials>& credentials) = 0;
    virtual bool Unmount(const ShareMount& mount) = 0;
    // Shows the folder in the desktop's file manager.
    virtual bool OpenFolder(const std::string& folder) = 0;
};

}  // namespace vidudi::platform

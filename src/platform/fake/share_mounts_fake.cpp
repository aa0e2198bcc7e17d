#include <algorithm>
#include <cctype>

#include "platform/fake/fake_platform.h"

namespace vidudi::platform {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

bool FakeShareMounts::Mount(const std::string& host, const std::string& share,
                            const std::optional<ShareCredentials>& credentials) {
    calls.push_back("mount " + host + " " + share +
                    (credentials ? " as " + credentials->user + "/" + credentials->password : ""));
    if (required && (!credentials || credentials->user != required->user || credentials->password != required->password)) {
        return false;
    }
    const ShareMount mount{Lower(host), Lower(share), "/run/user/1000/gvfs/smb-share:server=" + Lower(host) + ",share=" + Lower(share)};
    if (std::find(mounts.begin(), mounts.end(), mount) == mounts.end()) mounts.push_back(mount);
    return true;
}

bool FakeShareMounts::Unmount(const ShareMount& mount) {
    calls.push_back("unmount " + mount.folder);
    const auto found = std::find(mounts.begin(), mounts.end(), mount);
    if (found == mounts.end()) return false;
    mounts.erase(found);
    return true;
}

bool FakeShareMounts::OpenFolder(const std::string& folder) {
    calls.push_back("open " + folder);
    return true;
}

}  // namespace vidudi::platform

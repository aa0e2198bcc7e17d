#include <dirent.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

#include "platform/posix/posix_services.h"
#include "platform/posix/run_program.h"

namespace vidudi::platform {

namespace {

// A mount waits for the device and its answer to the credentials; an unmount for the files
// to close. Longer than either takes on a LAN, short enough not to hang the window for good.
constexpr int kGioTimeoutMs = 30000;
constexpr char kShareFolderPrefix[] = "smb-share:";

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

// One path segment of a URI: the share's name, bytes other than the unreserved ones escaped.
std::string EscapeSegment(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Devices are reached by their address; a name with blanks or slashes is no host of a URI.
bool IsHost(const std::string& host) {
    if (host.empty()) return false;
    for (const char c : host) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') return false;
    }
    return true;
}

std::string Uri(const std::string& host, const std::string& share) { return "smb://" + host + "/" + EscapeSegment(share); }

// What a credentials answer must not hold: the end of its line.
std::string OneLine(std::string text) {
    std::erase_if(text, [](char c) { return c == '\n' || c == '\r'; });
    return text;
}

// GVfs shows each mount as a folder of its FUSE directory, named after the mount:
// "smb-share:server=10.77.1.10,share=hdd_1" (values escaped, more keys possible).
class GvfsShareMounts final : public ShareMounts {
public:
    bool Available() override { return true; }

    std::vector<ShareMount> Mounted() override {
        std::vector<ShareMount> mounts;
        const std::string root = FuseFolder();
        DIR* folder = opendir(root.c_str());
        if (!folder) return mounts;
        while (const dirent* entry = readdir(folder)) {
            const std::string name = entry->d_name;
            if (name.rfind(kShareFolderPrefix, 0) != 0) continue;
            ShareMount mount;
            mount.folder = root + "/" + name;
            std::size_t at = sizeof kShareFolderPrefix - 1;
            while (at < name.size()) {
                const std::size_t comma = std::min(name.find(',', at), name.size());
                const std::string pair = name.substr(at, comma - at);
                const std::size_t equals = pair.find('=');
                if (equals != std::string::npos) {
                    const std::string key = pair.substr(0, equals);
                    const std::string value = Unescape(pair.substr(equals + 1));
                    if (key == "server") mount.host = value;
                    if (key == "share") mount.share = value;
                }
                at = comma + 1;
            }
            if (!mount.host.empty() && !mount.share.empty()) mounts.push_back(mount);
        }
        closedir(folder);
        return mounts;
    }

    bool Mount(const std::string& host, const std::string& share,
               const std::optional<ShareCredentials>& credentials) override {
        if (!IsHost(host) || share.empty()) return false;
        // Mounted already, by us or by the file manager: nothing to do.
        for (const ShareMount& mount : Mounted()) {
            if (EqualIgnoringCase(mount.host, host) && EqualIgnoringCase(mount.share, share)) return true;
        }
        if (!credentials) return RunProgram({"gio", "mount", "--anonymous", Uri(host, share)}, "", kGioTimeoutMs) == 0;
        // gio asks on its input for what GVfs needs, in this order: user, domain (an empty
        // line keeps the default work group), password. Nothing more follows: a refusal that
        // makes it ask again ends its input, and it gives up.
        const std::string answers = OneLine(credentials->user) + "\n\n" + OneLine(credentials->password) + "\n";
        return RunProgram({"gio", "mount", Uri(host, share)}, answers, kGioTimeoutMs) == 0;
    }

    bool Unmount(const ShareMount& mount) override {
        if (!IsHost(mount.host) || mount.share.empty()) return false;
        return RunProgram({"gio", "mount", "--unmount", Uri(mount.host, mount.share)}, "", kGioTimeoutMs) == 0;
    }

    bool OpenFolder(const std::string& folder) override {
        if (folder.empty() || folder.front() != '/') return false;  // never an option or a URL
        return RunProgram({"xdg-open", folder}, "", kGioTimeoutMs) == 0;
    }

private:
    static std::string FuseFolder() {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        const std::string base = runtime && *runtime == '/' ? runtime : "/run/user/" + std::to_string(getuid());
        return base + "/gvfs";
    }
};

}  // namespace

ShareMounts& GvfsShareMounts() {
    static class GvfsShareMounts mounts;
    return mounts;
}

}  // namespace vidudi::platform

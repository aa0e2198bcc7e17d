#include "platform/services.h"

namespace vidudi::platform {

namespace {

// What a program without the real services sees: every call fails, so every caller takes
// its "the system did not tell" path.
class NullVersionSource final : public VersionSource {
public:
    std::optional<VersionRecord> Read() override { return std::nullopt; }
};

class NullUserNames final : public UserNames {
public:
    std::optional<std::string> LoggedOnUser() override { return std::nullopt; }
};

class NullNetworkConnections final : public NetworkConnections {
public:
    std::optional<std::string> RemoteName(const std::string&) override { return std::nullopt; }
    bool Connect(const ConnectionRequest&) override { return false; }
    bool Disconnect(const std::string&, std::uint32_t, bool) override { return false; }
};

class NullDriveTypes final : public DriveTypes {
public:
    DriveType TypeOf(const std::string&) override { return DriveType::Unknown; }
};

class NullReachabilityProbe final : public ReachabilityProbe {
public:
    bool CanConnect(const std::string&) override { return false; }
};

class NullRegistry final : public Registry {
public:
    std::string ReadString(RegistryRoot, const std::string&, const std::string&) override { return {}; }
};

class NullCommandLauncher final : public CommandLauncher {
public:
    int WinExec(const std::string&, int) override { return kWinExecNoResources; }
    bool OpenUrl(const std::string&) override { return false; }
};

// Shares go to drive letters here: Map Drive takes the NetworkConnections path.
class DriveLetterShareMounts final : public ShareMounts {
public:
    bool Available() override { return false; }
    std::vector<ShareMount> Mounted() override { return {}; }
    bool Mount(const std::string&, const std::string&, const std::optional<ShareCredentials>&) override { return false; }
    bool Unmount(const ShareMount&) override { return false; }
    bool OpenFolder(const std::string&) override { return false; }
};

class NullProgramFiles final : public ProgramFiles {
public:
    std::string ProgramFolder() override { return {}; }
    bool FileExists(const std::string&) override { return false; }
};

// No firewall to read: Linux, and programs that do not diagnose.
class NullFirewall final : public Firewall {
public:
    std::optional<FirewallState> Inspect(unsigned short) override { return std::nullopt; }
};

// A code page with nothing beyond ASCII: every other character is one '?'.
class AsciiTextConversion final : public TextConversion {
public:
    std::string Utf8ToAnsi(std::string_view utf8) override {
        std::string ansi;
        for (const char c : utf8) {
            if (ansi.size() == kMaxAnsiTextLength) break;
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x80) {
                ansi.push_back(c);
            } else if ((byte & 0xC0) != 0x80) {  // the first byte of a character
                ansi.push_back('?');
            }
        }
        return ansi;
    }
};

NullVersionSource nullVersion;
NullUserNames nullUsers;
NullNetworkConnections nullConnections;
NullDriveTypes nullDriveTypes;
AsciiTextConversion asciiText;
NullReachabilityProbe nullReachability;
NullRegistry nullRegistry;
NullCommandLauncher nullLauncher;
DriveLetterShareMounts driveLetterMounts;
NullProgramFiles nullFiles;
NullFirewall nullFirewall;

Services WithNullServices(const Services& given) {
    return Services{
        given.version ? given.version : &nullVersion,
        given.connections ? given.connections : &nullConnections,
        given.driveTypes ? given.driveTypes : &nullDriveTypes,
        given.text ? given.text : &asciiText,
        given.users ? given.users : &nullUsers,
        given.reachability ? given.reachability : &nullReachability,
        given.registry ? given.registry : &nullRegistry,
        given.launcher ? given.launcher : &nullLauncher,
        given.mounts ? given.mounts : &driveLetterMounts,
        given.files ? given.files : &nullFiles,
        given.firewall ? given.firewall : &nullFirewall,
    };
}

Services& Current() {
    static Services current = WithNullServices({});
    return current;
}

}  // namespace

void UseServices(const Services& services) { Current() = WithNullServices(services); }

const Services& CurrentServices() { return Current(); }

}  // namespace vidudi::platform

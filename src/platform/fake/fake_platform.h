#pragma once
// Stand-ins for the Windows services, for tests and for programs that do not need the real ones.
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/single_instance.h"

namespace vidudi::platform {

// Names are held for the life of the test process, as a mutex is for the life of a program;
// ReleaseAll plays "every copy has ended".
class FakeSingleInstance final : public SingleInstance {
public:
    bool AnotherCopyHolds(const std::string& name) override;
    static void ReleaseAll() { HeldNames().clear(); }
    bool unavailable = false;  // the mutex cannot be created at all

private:
    static std::set<std::string>& HeldNames();
};

// The firewall a test sets up; none at all (as on Linux) when state is empty.
class FakeFirewall final : public Firewall {
public:
    std::optional<FirewallState> Inspect(unsigned short udpPort) override {
        askedPort = udpPort;
        return state;
    }
    std::optional<FirewallState> state;
    unsigned short askedPort = 0;
};

class FakeVersionSource final : public VersionSource {
public:
    std::optional<VersionRecord> Read() override { return record; }
    // Nothing: the system call fails. Starts as Windows 7 SP1.
    std::optional<VersionRecord> record = VersionRecord{2, 6, 1, 7601};
};

class FakeUserNames final : public UserNames {
public:
    // A name of 128 characters or more does not fit the system's buffer and fails, as it does
    // there.
    std::optional<std::string> LoggedOnUser() override;
    std::optional<std::string> name = std::string("Operator");
};

// Windows-1252, the ANSI code page of Western European systems, with '?' for every character
// it lacks: tests see the real bytes a Western system gives.
class FakeTextConversion final : public TextConversion {
public:
    std::string Utf8ToAnsi(std::string_view utf8) override;
};

// The system's network connections by drive letter, as the connection functions treat them.
// Local names are drive letters with a colon, in either case; anything else is refused.
class FakeNetworkConnections final : public NetworkConnections {
public:
    struct Call {
        enum class Kind { RemoteName, Connect, Disconnect };
        Kind kind = Kind::RemoteName;
        std::string localName;  // as passed; for Disconnect the name passed
        std::string remoteName;
        std::string password;
        std::string user;
        std::uint32_t flags = 0;
        bool force = false;
        bool succeeded = false;
    };
    struct Credentials {
        std::string user;
        std::string password;
        bool operator==(const Credentials&) const = default;
    };

    std::optional<std::string> RemoteName(const std::string& localName) override;
    // Fails for a letter that is still connected, a refused attempt, credentials other than
    // the accepted ones (an interactive attempt then uses the prompt's answer, if any), and a
    // share that the network does not offer.
    bool Connect(const ConnectionRequest& request) override;
    // Fails for a letter that is not connected, and without `force` for a busy one.
    bool Disconnect(const std::string& name, std::uint32_t flags, bool force) override;

    // The world as the test sets it up: connections made outside the program (any remote
    // text, even one the program cannot split), open files on a letter.
    void SetConnection(const std::string& localName, const std::string& remoteName);
    void SetBusy(const std::string& localName, bool busy);
    // The next `count` connect calls fail whatever they ask.
    void RefuseConnects(int count) { refuseConnects_ = count; }
    // From now on only these credentials connect.
    void AcceptOnly(const Credentials& credentials) { accepted_ = credentials; }
    // What the user types when an interactive attempt lets the system ask; nothing: the user
    // cancels the system's prompt.
    void AnswerPrompt(std::optional<Credentials> answer) { promptAnswer_ = std::move(answer); }
    // Only these remote names exist (compared ignoring case); never called: every name exists.
    void OfferShares(std::set<std::string> remoteNames);

    // What happened.
    std::optional<std::string> ConnectionOf(const std::string& localName) const;
    const std::map<char, std::string>& connections() const { return connections_; }
    const std::vector<Call>& calls() const { return calls_; }
    int CountCalls(Call::Kind kind) const;
    void ClearCalls() { calls_.clear(); }

private:
    bool ShareExists(const std::string& remoteName) const;
    std::map<char, std::string> connections_;  // by upper-case letter
    std::set<char> busy_;
    int refuseConnects_ = 0;
    std::optional<Credentials> accepted_;
    std::optional<Credentials> promptAnswer_;
    std::optional<std::set<std::string>> offered_;  // upper-cased
    std::vector<Call> calls_;
};

// Drive types by letter; a letter connected in `connections` (if given) is a network drive,
// any other letter has nothing behind it.
class FakeDriveTypes final : public DriveTypes {
public:
    explicit FakeDriveTypes(const FakeNetworkConnections* connections = nullptr) : connections_(connections) {}
    DriveType TypeOf(const std::string& drive) override;
    void Set(char letter, DriveType type);
    void Clear() { types_.clear(); }

private:
    const FakeNetworkConnections* connections_;
    std::map<char, DriveType> types_;
};

// Devices' web pages by address. An address the test has not set up does not answer. Probes
// run on workers: every member is safe to use from any thread.
class FakeReachabilityProbe final : public ReachabilityProbe {
public:
    // Waits the answer's delay (real time) before it gives the verdict.
    bool CanConnect(const std::string& url) override;
    // The device at `address` (the URL's host) answers `reachable`, after `delay`.
    void Answer(const std::string& address, bool reachable,
                std::chrono::milliseconds delay = std::chrono::milliseconds(0));
    std::vector<std::string> probedUrls() const;

private:
    struct Verdict {
        bool reachable = false;
        std::chrono::milliseconds delay{0};
    };
    mutable std::mutex mutex_;
    std::map<std::string, Verdict> verdicts_;
    std::vector<std::string> probed_;
};

// Registry values under the machine root. Key paths compare ignoring case, as the system's do;
// value texts as long as the system's buffer or longer read as empty (see Registry).
class FakeRegistry final : public Registry {
public:
    struct Read {
        RegistryRoot root = RegistryRoot::LocalMachine;
        std::string subkey;
        std::string valueName;
        bool operator==(const Read&) const = default;
    };
    std::string ReadString(RegistryRoot root, const std::string& subkey, const std::string& valueName) override;
    // An empty value name is the key's default value.
    void Set(const std::string& subkey, const std::string& valueName, std::string text);
    std::vector<Read> reads;  // every ReadString, in order

private:
    std::map<std::pair<std::string, std::string>, std::string> values_;  // by upper-cased key and name
};

// Starts what the fake system has installed. WinExec takes the program from the command line
// as the system does (the quoted text, or everything up to the first blank) and answers
// kWinExecStarted for an installed program and kWinExecFileNotFound for anything else, unless
// codes were scripted.
class FakeCommandLauncher final : public CommandLauncher {
public:
    struct Launch {
        std::string commandLine;
        int show = 0;
        int code = 0;
    };
    int WinExec(const std::string& commandLine, int show) override;
    bool OpenUrl(const std::string& url) override;

    // A program by the path or name a command line starts it with ("explorer" is there from the
    // start, as on every Windows); compared ignoring case, ".exe" optional.
    void Install(const std::string& program);
    // The next WinExec calls answer these codes, in order, whatever they name.
    void AnswerCodes(std::vector<int> codes) { scripted_.assign(codes.begin(), codes.end()); }

    std::vector<Launch> launches;
    std::vector<std::string> openedUrls;
    bool openUrlSucceeds = true;

private:
    std::set<std::string> installed_{"EXPLORER"};  // upper-cased, without ".exe"
    std::deque<int> scripted_;
};

// Shares the desktop mounts under folders, as GVfs does on Linux. Off until a test turns it
// on: the program then sees drive letters, as on Windows.
class FakeShareMounts final : public ShareMounts {
public:
    bool Available() override { return available; }
    std::vector<ShareMount> Mounted() override { return mounts; }
    // Mounts under "/run/user/1000/gvfs/smb-share:server=HOST,share=SHARE" (lower case, as GVfs
    // names them). Fails as a guest once credentials are required, and with any others.
    bool Mount(const std::string& host, const std::string& share,
               const std::optional<ShareCredentials>& credentials) override;
    bool Unmount(const ShareMount& mount) override;
    bool OpenFolder(const std::string& folder) override;

    bool available = false;
    // The only credentials that mount; nothing: guests mount.
    std::optional<ShareCredentials> required;
    std::vector<ShareMount> mounts;
    // "mount HOST SHARE", "mount HOST SHARE as USER/PASSWORD", "unmount FOLDER", "open FOLDER".
    std::vector<std::string> calls;
};

// A program folder and the files that exist, as the test says.
class FakeProgramFiles final : public ProgramFiles {
public:
    std::string ProgramFolder() override { return folder; }
    bool FileExists(const std::string& path) override { return existing.count(path) != 0; }
    std::string folder;
    std::set<std::string> existing;
};

// One of each fake, wired together; `services()` is what UseServices takes.
struct FakePlatform {
    FakeVersionSource version;
    FakeNetworkConnections connections;
    FakeDriveTypes driveTypes{&connections};
    FakeTextConversion text;
    FakeUserNames users;
    FakeReachabilityProbe reachability;
    FakeRegistry registry;
    FakeCommandLauncher launcher;
    FakeShareMounts mounts;
    FakeProgramFiles files;
    Services services() {
        return Services{&version,      &connections, &driveTypes, &text,  &users, &reachability,
                        &registry,     &launcher,    &mounts,     &files};
    }
};

// Reads a drive letter from "x:" or "x:\" (upper-cased); 0 for anything else.
char DriveLetterOf(const std::string& name);

}  // namespace vidudi::platform

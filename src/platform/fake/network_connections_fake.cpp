#include <algorithm>
#include <cctype>

#include "platform/fake/fake_platform.h"

namespace vidudi::platform {

namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

char DriveLetterOf(const std::string& name) {
    const bool shaped = (name.size() == 2 || (name.size() == 3 && name[2] == '\\')) && name[1] == ':' &&
                        std::isalpha(static_cast<unsigned char>(name[0]));
    return shaped ? static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))) : 0;
}

std::optional<std::string> FakeUserNames::LoggedOnUser() {
    // GetUserNameA gets a 128-byte buffer, terminator included.
    if (name && name->size() >= 128) return std::nullopt;
    return name;
}

std::optional<std::string> FakeNetworkConnections::RemoteName(const std::string& localName) {
    Call call;
    call.localName = localName;
    const auto found = connections_.find(DriveLetterOf(localName));
    // The caller's buffer holds 256 bytes; a longer name is an error, as there.
    const bool fits = found != connections_.end() && found->second.size() < 256;
    call.succeeded = fits;
    if (fits) call.remoteName = found->second;
    calls_.push_back(call);
    if (!fits) return std::nullopt;
    return found->second;
}

bool FakeNetworkConnections::Connect(const ConnectionRequest& request) {
    Call call{Call::Kind::Connect, request.localName, request.remoteName, request.password, request.user,
              request.flags};
    const char letter = DriveLetterOf(request.localName);
    bool ok = letter != 0;
    if (refuseConnects_ > 0) {
        --refuseConnects_;
        ok = false;
    }
    ok = ok && connections_.count(letter) == 0 && ShareExists(request.remoteName);
    if (ok && accepted_) {
        const Credentials given{request.user, request.password};
        const bool prompted = (request.flags & kConnectInteractive) != 0 && promptAnswer_ == accepted_;
        ok = given == *accepted_ || prompted;
    }
    if (ok) connections_[letter] = request.remoteName;
    call.succeeded = ok;
    calls_.push_back(call);
    return ok;
}

bool FakeNetworkConnections::Disconnect(const std::string& name, std::uint32_t flags, bool force) {
    Call call;
    call.kind = Call::Kind::Disconnect;
    call.localName = name;
    call.flags = flags;
    call.force = force;
    const char letter = DriveLetterOf(name);
    const auto found = connections_.find(letter);
    bool ok = found != connections_.end() && (force || busy_.count(letter) == 0);
    if (ok) {
        call.remoteName = found->second;
        connections_.erase(found);
        busy_.erase(letter);
    }
    call.succeeded = ok;
    calls_.push_back(call);
    return ok;
}

void FakeNetworkConnections::SetConnection(const std::string& localName, const std::string& remoteName) {
    if (const char letter = DriveLetterOf(localName)) connections_[letter] = remoteName;
}

void FakeNetworkConnections::SetBusy(const std::string& localName, bool busy) {
    if (busy) {
        busy_.insert(DriveLetterOf(localName));
    } else {
        busy_.erase(DriveLetterOf(localName));
    }
}

void FakeNetworkConnections::OfferShares(std::set<std::string> remoteNames) {
    std::set<std::string> offered;
    for (const auto& name : remoteNames) offered.insert(Upper(name));
    offered_ = std::move(offered);
}

bool FakeNetworkConnections::ShareExists(const std::string& remoteName) const {
    return !offered_ || offered_->count(Upper(remoteName)) != 0;
}

std::optional<std::string> FakeNetworkConnections::ConnectionOf(const std::string& localName) const {
    const auto found = connections_.find(DriveLetterOf(localName));
    if (found == connections_.end()) return std::nullopt;
    return found->second;
}

int FakeNetworkConnections::CountCalls(Call::Kind kind) const {
    return static_cast<int>(
        std::count_if(calls_.begin(), calls_.end(), [kind](const Call& call) { return call.kind == kind; }));
}

DriveType FakeDriveTypes::TypeOf(const std::string& drive) {
    const char letter = DriveLetterOf(drive);
    if (letter == 0) return DriveType::NoRootDir;
    const auto found = types_.find(letter);
    if (found != types_.end()) return found->second;
    if (connections_ && connections_->connections().count(letter) != 0) return DriveType::Remote;
    return DriveType::NoRootDir;
}

void FakeDriveTypes::Set(char letter, DriveType type) {
    types_[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] = type;
}

}  // namespace vidudi::platform

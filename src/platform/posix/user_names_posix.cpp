#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "platform/posix/posix_services.h"

namespace vidudi::platform {

namespace {

constexpr std::size_t kLongestUserName = 127;  // what the Windows call's buffer holds

class PasswdUserNames final : public UserNames {
public:
    std::optional<std::string> LoggedOnUser() override {
        passwd entry{};
        passwd* found = nullptr;
        std::vector<char> buffer(16384);
        if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return std::nullopt;
        std::string name = found->pw_name ? found->pw_name : "";
        if (name.empty() || name.size() > kLongestUserName) return std::nullopt;
        return name;
    }
};

}  // namespace

UserNames& PosixUserNames() {
    static PasswdUserNames users;
    return users;
}

}  // namespace vidudi::platform

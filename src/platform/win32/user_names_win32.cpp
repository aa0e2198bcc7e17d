#include <windows.h>

#include "platform/win32/win32_services.h"

namespace vidudi::platform {

namespace {

class SystemUserNames final : public UserNames {
public:
    std::optional<std::string> LoggedOnUser() override {
        char name[128];
        DWORD size = sizeof name;
        if (!GetUserNameA(name, &size)) return std::nullopt;
        name[sizeof name - 1] = '\0';
        return std::string(name);
    }
};

}  // namespace

UserNames& Win32UserNames() {
    static SystemUserNames names;
    return names;
}

}  // namespace vidudi::platform

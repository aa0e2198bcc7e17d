#pragma once
// The name of the user logged on to this session (GetUserNameA).
#include <optional>
#include <string>

namespace vidudi::platform {

class UserNames {
public:
    virtual ~UserNames() = default;
    // Nothing when the system does not tell, or the name does not fit 127 characters.
    virtual std::optional<std::string> LoggedOnUser() = 0;
};

}  // namespace vidudi::platform

#include <windows.h>

#include "platform/win32/win32_services.h"

namespace vidudi::platform {

namespace {

class SystemDriveTypes final : public DriveTypes {
public:
    DriveType TypeOf(const std::string& drive) override {
        // The function documents a root with its trailing backslash; "E:" alone would name the
        // current directory on E:.
        std::string root = drive;
        if (root.size() == 2 && root[1] == ':') root += '\\';
        return static_cast<DriveType>(GetDriveTypeA(root.c_str()));
    }
};

}  // namespace

DriveTypes& Win32DriveTypes() {
    static SystemDriveTypes types;
    return types;
}

}  // namespace vidudi::platform

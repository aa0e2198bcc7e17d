#pragma once
// What sits behind a drive letter (GetDriveTypeA).
#include <cstdint>
#include <string>

namespace vidudi::platform {

enum class DriveType : std::uint32_t {
    Unknown = 0,
    NoRootDir = 1,  // nothing behind the letter
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

class DriveTypes {
public:
    virtual ~DriveTypes() = default;
    // `drive` as the program holds it: "E:" (a root "E:\" is taken as well).
    virtual DriveType TypeOf(const std::string& drive) = 0;
};

}  // namespace vidudi::platform

#pragma once
// The version record the system reports about itself (GetVersionExA).
#include <cstdint>
#include <optional>

namespace vidudi::platform {

struct VersionRecord {
    std::uint32_t platformId = 0;  // 1: the 9x family, 2: the NT family, 3: Windows CE
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;  // 9x systems set the high 16 bits as well
};

class VersionSource {
public:
    virtual ~VersionSource() = default;
    // Nothing when the system does not answer.
    virtual std::optional<VersionRecord> Read() = 0;
};

}  // namespace vidudi::platform

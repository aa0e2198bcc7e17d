#include "drives/windows_version.h"

#include <cstdint>
#include <limits>

#include "platform/services.h"

namespace vidudi {

namespace {

struct Range {
    std::uint32_t low;
    std::uint32_t high;
    bool Holds(std::uint32_t value) const { return value >= low && value <= high; }
};

constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
constexpr Range kAny{0, kMax};

struct VersionName {
    std::uint32_t platformId;
    Range major;
    Range minor;
    Range build;  // low 16 bits
    const char* name;
};

// First matching row wins; what no row names is unknown (among it 9x builds below the first
// release of their version, NT 5.2 and everything after 6.x). Every NT 6.x is "Vista".
constexpr VersionName kVersionNames[] = {
    {1, {4, 4}, {0, 9}, {950, 950}, "Windows 95"},
    {1, {4, 4}, {0, 9}, {951, 1080}, "Windows 95 SP1"},
    {1, {4, 4}, {0, 9}, {1081, kMax}, "Windows 95 OSR2"},
    {1, {4, 4}, {10, 10}, {1998, 1998}, "Windows 98"},
    {1, {4, 4}, {10, 10}, {1999, 2182}, "Windows 98 SP1"},
    {1, {4, 4}, {10, 10}, {2183, kMax}, "Windows 98 SE"},
    {1, {4, 4}, {90, 90}, kAny, "Windows ME"},
    {2, {3, 3}, {51, 51}, kAny, "Windows NT 3.51"},
    {2, {4, 4}, {0, 0}, kAny, "Windows NT 4"},
    {2, {5, 5}, {0, 0}, kAny, "Windows 2000"},
    {2, {5, 5}, {1, 1}, kAny, "Windows XP"},
    {2, {6, 6}, kAny, kAny, "Vista"},
    {3, kAny, kAny, kAny, "Windows CE"},
};

}  // namespace

std::string GetWindowsVersionName() {
    const auto record = platform::CurrentServices().version->Read();
    if (!record) return "unknown Windows version";
    // 9x systems put the version in the high 16 bits of the build number.
    const std::uint32_t build = record->buildNumber & 0xFFFF;
    for (const auto& row : kVersionNames) {
        if (row.platformId == record->platformId && row.major.Holds(record->majorVersion) &&
            row.minor.Holds(record->minorVersion) && row.build.Holds(build)) {
            return row.name;
        }
    }
    return "unknown Windows version";
}

}  // namespace vidudi

#include <windows.h>

#include "platform/win32/win32_services.h"

namespace vidudi::platform {

namespace {

// The ANSI record of 148 bytes; the system tells the record's kind by its size.
static_assert(sizeof(OSVERSIONINFOA) == 148);

class SystemVersion final : public VersionSource {
public:
    std::optional<VersionRecord> Read() override {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        // Deprecated in newer SDKs in favour of the version helpers, which cannot name 9x.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        const BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
        if (!ok) return std::nullopt;
        return VersionRecord{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
    }
};

}  // namespace

VersionSource& Win32VersionSource() {
    static SystemVersion source;
    return source;
}

}  // namespace vidudi::platform

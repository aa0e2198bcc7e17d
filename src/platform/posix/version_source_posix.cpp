#include "platform/posix/posix_services.h"

namespace vidudi::platform {

namespace {

// Linux is no Windows, but the window asks for a version to choose its paths: it takes the
// NT family's (Windows XP), which asks for no drive-letter quirks of old NT, lets no system
// prompt for credentials, and offers no logged-on user for shares as 98 and ME do.
class NtFamilyVersionSource final : public VersionSource {
public:
    std::optional<VersionRecord> Read() override { return VersionRecord{2, 5, 1, 2600}; }
};

}  // namespace

VersionSource& PosixVersionSource() {
    static NtFamilyVersionSource version;
    return version;
}

}  // namespace vidudi::platform

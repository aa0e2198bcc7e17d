// Through the real system calls: the version name, its record, a share name in the ANSI code
// page (hex bytes, and the length a long one is cut to), and the drive types of C:, Z: and Q:.
#include <cstdio>
#include <string>

#include "drives/windows_version.h"
#include "platform/services.h"
#include "platform/win32/win32_services.h"

int main() {
    using namespace vidudi;
    platform::UseServices(platform::Win32Services());
    const platform::Services& services = platform::CurrentServices();
    std::printf("%s\n", GetWindowsVersionName().c_str());
    if (const auto record = services.version->Read()) {
        std::printf("platform %u, version %u.%u, build %u\n", record->platformId, record->majorVersion,
                    record->minorVersion, record->buildNumber & 0xFFFF);
    } else {
        std::printf("no version record\n");
    }

    std::string longName;
    for (int i = 0; i < 140; ++i) longName += "\xC3\xA9";  // é
    std::printf("ansi:");
    for (unsigned char byte : services.text->Utf8ToAnsi("Fot\xC3\xB3 \xC5\x81\xC3\xB3" "d\xC5\xBA")) {
        std::printf(" %02x", byte);
    }
    std::printf(", long %zu\n", services.text->Utf8ToAnsi(longName).size());

    std::printf("drives: C: %u, Z: %u, Q: %u\n", static_cast<unsigned>(services.driveTypes->TypeOf("C:")),
                static_cast<unsigned>(services.driveTypes->TypeOf("Z:")),
                static_cast<unsigned>(services.driveTypes->TypeOf("Q:")));
    return 0;
}

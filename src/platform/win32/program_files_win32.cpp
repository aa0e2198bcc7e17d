#include <windows.h>

#include "platform/win32/win32_services.h"

namespace vidudi::platform {

namespace {

class SystemProgramFiles final : public ProgramFiles {
public:
    std::string ProgramFolder() override {
        char path[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        // A path cut to the buffer names no folder for certain.
        if (length == 0 || length >= sizeof path) return {};
        const std::string file(path, length);
        const auto slash = file.find_last_of("\\/");
        return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
    }

    bool FileExists(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
};

}  // namespace

ProgramFiles& Win32ProgramFiles() {
    static SystemProgramFiles files;
    return files;
}

}  // namespace vidudi::platform

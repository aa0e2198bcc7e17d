#include <windows.h>
#include <shellapi.h>

#include "platform/win32/win32_services.h"

namespace vidudi::platform {

namespace {

class SystemCommandLauncher final : public CommandLauncher {
public:
    int WinExec(const std::string& commandLine, int show) override {
        return static_cast<int>(::WinExec(commandLine.c_str(), static_cast<UINT>(show)));
    }

    bool OpenUrl(const std::string& url) override {
        if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) return false;
        // The shell's handler for the scheme: the browser the user chose, however it registered.
        const HINSTANCE result = ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return reinterpret_cast<INT_PTR>(result) > 32;
    }
};

}  // namespace

CommandLauncher& Win32CommandLauncher() {
    static SystemCommandLauncher launcher;
    return launcher;
}

}  // namespace vidudi::platform

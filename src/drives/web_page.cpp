#include "drives/web_page.h"

#include "platform/services.h"

namespace vidudi {

namespace {

using platform::RegistryRoot;

// The system splits a command line at blanks and quotes: an address that is anything but
// digits and dots could smuggle in arguments of its own.
bool IsDottedAddress(const std::string& text) {
    if (text.empty() || text.size() > 15) return false;
    for (const char c : text) {
        if (c != '.' && (c < '0' || c > '9')) return false;
    }
    return true;
}

std::string BrowserCommandKey(const std::string& browser) {
    return std::string(kStartMenuInternetKey) + "\\" + browser + "\\shell\\open\\command";
}

}  // namespace

void OpenWebPage(const std::string& deviceAddress) {
    if (!IsDottedAddress(deviceAddress)) return;
    const platform::Services& services = platform::CurrentServices();
    const std::string url = "http://" + deviceAddress;
    const std::string explorerCommand = "explorer " + url;

    const std::string browser = services.registry->ReadString(RegistryRoot::LocalMachine, kStartMenuInternetKey, "");
    std::string commandLine = explorerCommand;
    if (browser.find("IE") == std::string::npos) {
        const std::string startCommand =
            services.registry->ReadString(RegistryRoot::LocalMachine, BrowserCommandKey(browser), "");
        commandLine = startCommand + " " + url;
    }

    const int code = services.launcher->WinExec(commandLine, platform::kShowHidden);
    if (code == platform::kWinExecFileNotFound || code == platform::kWinExecPathNotFound ||
        code == platform::kWinExecBadFormat) {
        services.launcher->WinExec(explorerCommand, platform::kShowHidden);
    }
}

}  // namespace vidudi

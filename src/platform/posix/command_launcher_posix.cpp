#include <cstdlib>

#include "platform/posix/posix_services.h"
#include "platform/posix/run_program.h"

namespace vidudi::platform {

namespace {

constexpr int kOpenerTimeoutMs = 30000;
constexpr char kExplorer[] = "explorer ";

bool IsWebAddress(const std::string& text) { return text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0; }

class SpawnCommandLauncher final : public CommandLauncher {
public:
    // Linux runs no Windows command lines. Two are understood: no program at all, which is
    // not found, so that the web page falls back to the browser of last resort; and that
    // browser, "explorer ADDRESS", which is the desktop's opener here.
    int WinExec(const std::string& commandLine, int) override {
        if (commandLine.empty() || commandLine.front() == ' ') return kWinExecFileNotFound;
        if (commandLine.rfind(kExplorer, 0) == 0) {
            const std::string url = commandLine.substr(sizeof kExplorer - 1);
            if (IsWebAddress(url) && url.find_first_of(" \t\"") == std::string::npos) {
                return OpenUrl(url) ? kWinExecStarted : kWinExecNoResources;
            }
        }
        return kWinExecNoResources;
    }

    bool OpenUrl(const std::string& url) override {
        if (!IsWebAddress(url)) return false;
        const char* chosen = std::getenv("VIDUDI_BROWSER");
        // The address is one argument of its own: no shell ever sees it. xdg-open hands it to
        // the browser and ends; its status says whether it could.
        return RunProgram({chosen && *chosen ? chosen : "xdg-open", url}, "", kOpenerTimeoutMs) == 0;
    }
};

}  // namespace

CommandLauncher& PosixCommandLauncher() {
    static SpawnCommandLauncher launcher;
    return launcher;
}

}  // namespace vidudi::platform

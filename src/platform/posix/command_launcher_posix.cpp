#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/posix_services.h"

extern char** environ;

namespace vidudi::platform {

namespace {

class SpawnCommandLauncher final : public CommandLauncher {
public:
    int WinExec(const std::string&, int) override { return kWinExecNoResources; }

    bool OpenUrl(const std::string& url) override {
        if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) return false;
        const char* chosen = std::getenv("VIDUDI_BROWSER");
        std::string program = chosen && *chosen ? chosen : "xdg-open";
        std::string argument = url;
        // The address is one argument of its own: no shell ever sees it.
        char* argv[] = {program.data(), argument.data(), nullptr};
        pid_t child = 0;
        if (posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
        // xdg-open hands the address to the browser and ends; its status says whether it could.
        int status = 0;
        while (waitpid(child, &status, 0) < 0) {
            if (errno != EINTR) return false;
        }
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
};

}  // namespace

CommandLauncher& PosixCommandLauncher() {
    static SpawnCommandLauncher launcher;
    return launcher;
}

}  // namespace vidudi::platform

// web_page_probe ADDRESS: opens the web page through the real registry and WinExec, printing
// each command line started as: WinExec "COMMAND LINE" SHOW -> CODE
#include <cstdio>
#include <string>

#include "drives/web_page.h"
#include "platform/services.h"
#include "platform/win32/win32_services.h"

namespace {

using namespace vidudi::platform;

// The real launcher, with a trace of what it was asked and what the system answered.
class TracingLauncher final : public CommandLauncher {
public:
    int WinExec(const std::string& commandLine, int show) override {
        const int code = Win32CommandLauncher().WinExec(commandLine, show);
        std::printf("WinExec \"%s\" %d -> %d\n", commandLine.c_str(), show, code);
        std::fflush(stdout);
        return code;
    }
    bool OpenUrl(const std::string&) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    TracingLauncher launcher;
    Services services = Win32Services();
    services.launcher = &launcher;
    UseServices(services);
    if (argc != 2) {
        std::fprintf(stderr, "usage: web_page_probe ADDRESS\n");
        return 2;
    }
    vidudi::OpenWebPage(argv[1]);
    return 0;
}

// The web page command line against the fake registry and launcher: the exact command started,
// when the explorer fallback runs, and that only a dotted address reaches it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drives/web_page.h"
#include "platform/fake/fake_platform.h"

namespace vidudi {
namespace {

constexpr char kBrowserKey[] = "Software\\Clients\\StartMenuInternet";
constexpr char kFirefox[] = "\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\" -osint -url";

TEST(WebPageTest, CommandLineAndFallback) {
    platform::FakePlatform fake;
    platform::UseServices(fake.services());
    auto started = [&] {
        std::vector<std::string> lines;
        for (const auto& launch : fake.launcher.launches) lines.push_back(launch.commandLine);
        fake.launcher.launches.clear();
        return lines;
    };
    for (const char* address : {"", "10.0.0.1 -new-instance", "10.0.0.1\" & calc", "host.local"}) {
        OpenWebPage(address);
    }
    EXPECT_TRUE(fake.launcher.launches.empty());
    EXPECT_TRUE(fake.registry.reads.empty());

    // No browser registered: a command line naming no program, then explorer.
    OpenWebPage("10.77.1.10");
    EXPECT_EQ(started(), (std::vector<std::string>{" http://10.77.1.10", "explorer http://10.77.1.10"}));

    fake.registry.Set(kBrowserKey, "", "FIREFOX.EXE");
    fake.registry.Set(std::string(kBrowserKey) + "\\FIREFOX.EXE\\shell\\open\\command", "", kFirefox);
    fake.launcher.Install("C:\\Program Files\\Mozilla Firefox\\firefox.exe");
    const std::string firefox = std::string(kFirefox) + " http://10.77.1.10";
    OpenWebPage("10.77.1.10");
    EXPECT_EQ(fake.launcher.launches.at(0).show, 0);
    EXPECT_EQ(started(), std::vector<std::string>{firefox});
    // Only "file or path not found" and "bad format" fall back, once.
    for (const int code : {2, 3, 11}) {
        fake.launcher.AnswerCodes({code, code});
        OpenWebPage("10.77.1.10");
        EXPECT_EQ(started(), (std::vector<std::string>{firefox, "explorer http://10.77.1.10"})) << code;
    }
    for (const int code : {0, 1, 4, 10, 12, 32}) {
        fake.launcher.AnswerCodes({code});
        OpenWebPage("10.77.1.10");
        EXPECT_EQ(started(), std::vector<std::string>{firefox}) << code;
    }
    // Internet Explorer by name: explorer, and its start command is not read.
    fake.registry.Set(kBrowserKey, "", "IEXPLORE.EXE");
    fake.registry.Set(std::string(kBrowserKey) + "\\IEXPLORE.EXE\\shell\\open\\command", "", "notepad.exe");
    OpenWebPage("192.168.0.25");
    EXPECT_EQ(started(), std::vector<std::string>{"explorer http://192.168.0.25"});
    platform::UseServices({});
}

}  // namespace
}  // namespace vidudi

// The web page command line: which registry values are read, the exact command line started,
// and when the explorer fallback runs, against the fake registry and launcher.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drives/web_page.h"
#include "platform/fake/fake_platform.h"

namespace vidudi {
namespace {

using platform::FakeRegistry;
using platform::RegistryRoot;

constexpr char kBrowserKey[] = "Software\\Clients\\StartMenuInternet";
constexpr char kFirefoxCommandKey[] = "Software\\Clients\\StartMenuInternet\\FIREFOX.EXE\\shell\\open\\command";
constexpr char kFirefox[] = "\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\" -osint -url";

class WebPageTest : public ::testing::Test {
protected:
    void SetUp() override { platform::UseServices(fake.services()); }
    void TearDown() override { platform::UseServices({}); }

    std::vector<std::string> Started() const {
        std::vector<std::string> lines;
        for (const auto& launch : fake.launcher.launches) lines.push_back(launch.commandLine);
        return lines;
    }

    void InstallFirefox() {
        fake.registry.Set(kBrowserKey, "", "FIREFOX.EXE");
        fake.registry.Set(kFirefoxCommandKey, "", kFirefox);
        fake.launcher.Install("C:\\Program Files\\Mozilla Firefox\\firefox.exe");
    }

    platform::FakePlatform fake;
};

TEST_F(WebPageTest, StartCommandIsUsedUnchangedWithTheAddressAfterOneBlank) {
    InstallFirefox();
    OpenWebPage("10.77.1.10");

    EXPECT_EQ(Started(), std::vector<std::string>{std::string(kFirefox) + " http://10.77.1.10"});
    EXPECT_EQ(fake.launcher.launches[0].show, 0);  // hidden, as the system is asked to start it
    const std::vector<FakeRegistry::Read> reads = {
        {RegistryRoot::LocalMachine, kBrowserKey, ""},
        {RegistryRoot::LocalMachine, kFirefoxCommandKey, ""},
    };
    EXPECT_EQ(fake.registry.reads, reads);

    // Every press runs the whole sequence again.
    OpenWebPage("10.77.1.10");
    EXPECT_EQ(Started().size(), 2u);
    EXPECT_EQ(fake.registry.reads.size(), 4u);
}

TEST_F(WebPageTest, InternetExplorerByNameUsesExplorerAndReadsNoStartCommand) {
    for (const char* name : {"IEXPLORE.EXE", "Internet Explorer (IE)", "MSIE"}) {
        SCOPED_TRACE(name);
        platform::FakePlatform local;
        platform::UseServices(local.services());
        local.registry.Set(kBrowserKey, "", name);
        // A start command that must not be used.
        local.registry.Set(std::string(kBrowserKey) + "\\" + name + "\\shell\\open\\command", "", "notepad.exe");
        OpenWebPage("192.168.0.25");
        ASSERT_EQ(local.launcher.launches.size(), 1u);
        EXPECT_EQ(local.launcher.launches[0].commandLine, "explorer http://192.168.0.25");
        EXPECT_EQ(local.registry.reads, (std::vector<FakeRegistry::Read>{{RegistryRoot::LocalMachine, kBrowserKey, ""}}));
        platform::UseServices(fake.services());
    }

    // The same letters in lower case are some other browser: its start command is read and used.
    fake.registry.Set(kBrowserKey, "", "Safari-ie");
    fake.registry.Set(std::string(kBrowserKey) + "\\Safari-ie\\shell\\open\\command", "", "safari.exe");
    fake.launcher.Install("safari.exe");
    OpenWebPage("192.168.0.25");
    EXPECT_EQ(Started(), std::vector<std::string>{"safari.exe http://192.168.0.25"});
    EXPECT_EQ(fake.registry.reads.size(), 2u);
}

TEST_F(WebPageTest, ExplorerFallbackRunsOnceAndOnlyWhenTheProgramCannotBeFound) {
    InstallFirefox();
    const std::string firefoxLine = std::string(kFirefox) + " http://10.77.1.10";
    for (const int code : {2, 3, 11}) {
        SCOPED_TRACE(code);
        fake.launcher.launches.clear();
        // The fallback fails the same way: still no second attempt.
        fake.launcher.AnswerCodes({code, code});
        OpenWebPage("10.77.1.10");
        EXPECT_EQ(Started(), (std::vector<std::string>{firefoxLine, "explorer http://10.77.1.10"}));
        EXPECT_EQ(fake.launcher.launches[1].show, 0);
    }
    // Success, lack of resources and the other failure codes end it there.
    for (const int code : {0, 1, 4, 10, 12, 32}) {
        SCOPED_TRACE(code);
        fake.launcher.launches.clear();
        fake.launcher.AnswerCodes({code});
        OpenWebPage("10.77.1.10");
        EXPECT_EQ(Started(), std::vector<std::string>{firefoxLine});
    }
}

TEST_F(WebPageTest, MissingRegistryValuesEndInTheFallback) {
    // No browser registered: an empty name, no start command, a command line naming no program.
    OpenWebPage("10.77.1.10");
    EXPECT_EQ(Started(), (std::vector<std::string>{" http://10.77.1.10", "explorer http://10.77.1.10"}));
    ASSERT_EQ(fake.registry.reads.size(), 2u);
    EXPECT_EQ(fake.registry.reads[1].subkey, "Software\\Clients\\StartMenuInternet\\\\shell\\open\\command");

    // A browser name whose command key is missing.
    fake.launcher.launches.clear();
    fake.registry.Set(kBrowserKey, "", "Opera");
    OpenWebPage("10.77.1.10");
    EXPECT_EQ(Started(), (std::vector<std::string>{" http://10.77.1.10", "explorer http://10.77.1.10"}));
}

TEST_F(WebPageTest, OnlyADottedAddressReachesTheCommandLine) {
    InstallFirefox();
    for (const char* address : {"", "10.0.0.1 -new-instance", "10.0.0.1\" & calc", "10.0.0.1&del", "host.local",
                                "1234567890.12345"}) {
        OpenWebPage(address);
    }
    EXPECT_TRUE(fake.launcher.launches.empty());
    EXPECT_TRUE(fake.registry.reads.empty());
}

// The probes connect to the host and port these give: the device's address and its web port.
TEST(HttpEndpoint, HostAndPortOfTheProbedAddress) {
    using platform::HttpEndpointOf;
    ASSERT_TRUE(HttpEndpointOf("http://10.77.1.10"));
    EXPECT_EQ(HttpEndpointOf("http://10.77.1.10")->host, "10.77.1.10");
    EXPECT_EQ(HttpEndpointOf("http://10.77.1.10")->port, 80);
    EXPECT_EQ(HttpEndpointOf("http://10.77.1.10:8080/setup.htm")->port, 8080);
    EXPECT_EQ(HttpEndpointOf("http://10.77.1.10/a:b")->port, 80);
    EXPECT_EQ(HttpEndpointOf("http://10.77.1.10?x=1")->host, "10.77.1.10");
    for (const char* bad : {"10.77.1.10", "https://10.77.1.10", "http://", "http://:80", "http://h:", "http://h:0",
                            "http://h:65536", "http://h:8o"}) {
        EXPECT_FALSE(HttpEndpointOf(bad)) << bad;
    }
}

}  // namespace
}  // namespace vidudi

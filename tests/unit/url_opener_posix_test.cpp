// Opening a web address on Linux: the browser program gets the address as one argument and no
// shell ever reads it. A stand-in script plays the browser.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <iterator>
#include <string>

#include "platform/posix/posix_services.h"

namespace vidudi::platform {
namespace {

class UrlOpenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vidudi-opener.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        record_ = dir_ / "arguments";
        const char* previous = std::getenv("VIDUDI_BROWSER");
        if (previous) previous_ = previous;
    }
    void TearDown() override {
        if (previous_) {
            setenv("VIDUDI_BROWSER", previous_->c_str(), 1);
        } else {
            unsetenv("VIDUDI_BROWSER");
        }
        std::filesystem::remove_all(dir_);
    }

    // A browser that writes each argument on a line of its own and ends with `status`.
    std::string StandIn(int status) {
        const auto path = dir_ / ("browser-" + std::to_string(status));
        std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >>'" << record_.string()
                            << "'\nexit " << status << "\n";
        chmod(path.c_str(), 0755);
        return path.string();
    }
    std::string Recorded() const {
        std::ifstream in(record_);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path dir_;
    std::filesystem::path record_;
    std::optional<std::string> previous_;
};

TEST_F(UrlOpenerTest, TheAddressIsOneArgumentThatNoShellReadsAndOnlyWebAddressesGo) {
    setenv("VIDUDI_BROWSER", StandIn(0).c_str(), 1);
    const auto marker = dir_ / "marker";
    const std::string url = "http://10.77.1.10/$(touch " + marker.string() + ");a b*`id`";
    EXPECT_TRUE(PosixCommandLauncher().OpenUrl(url));
    EXPECT_FALSE(std::filesystem::exists(marker));
    // Options and files are not addresses: the opener is not even started for them.
    for (const char* notWeb : {"--help", "file:///etc/passwd", ""}) EXPECT_FALSE(PosixCommandLauncher().OpenUrl(notWeb));
    EXPECT_EQ(Recorded(), url + "\n");
    // There are no Windows command lines on Linux: nothing is started.
    EXPECT_EQ(PosixCommandLauncher().WinExec("sh -c 'touch x'", kShowHidden), kWinExecNoResources);
    // A browser that fails is lan.open's (tests/lan/open_test.sh).
}

}  // namespace
}  // namespace vidudi::platform

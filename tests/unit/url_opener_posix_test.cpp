// Opening a web address on Linux: the browser gets the address as one argument, no shell ever
// reads it, and only web addresses go. A stand-in script plays the browser.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/posix/posix_services.h"

namespace vidudi::platform {
namespace {

TEST(UrlOpenerTest, TheAddressIsOneArgumentThatNoShellReads) {
    char pattern[] = "/tmp/vidudi-opener.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path dir = pattern, record = dir / "arguments", browser = dir / "browser";
    std::ofstream(browser) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >>'" << record.string()
                           << "'\n";
    chmod(browser.c_str(), 0755);
    const char* previous = std::getenv("VIDUDI_BROWSER");
    const std::string saved = previous ? previous : "";
    setenv("VIDUDI_BROWSER", browser.c_str(), 1);
    const std::string url = "http://10.77.1.10/$(touch " + (dir / "marker").string() + ");a b*`id`";
    EXPECT_TRUE(PosixCommandLauncher().OpenUrl(url));
    for (const char* notWeb : {"--help", "file:///etc/passwd", ""}) EXPECT_FALSE(PosixCommandLauncher().OpenUrl(notWeb));
    EXPECT_EQ(PosixCommandLauncher().WinExec("sh -c 'touch x'", kShowHidden), kWinExecNoResources);
    EXPECT_FALSE(std::filesystem::exists(dir / "marker"));
    std::ifstream in(record);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), url + "\n");
    if (previous) {
        setenv("VIDUDI_BROWSER", saved.c_str(), 1);
    } else {
        unsetenv("VIDUDI_BROWSER");
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vidudi::platform

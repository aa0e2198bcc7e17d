// The Linux services: the single-instance lock, text, version, opening a web address, the web
// page's last resort, and shares through GVfs, with stand-ins for gio, xdg-open and the browser
// that record how they were run.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "drives/web_page.h"
#include "drives/windows_version.h"
#include "platform/posix/posix_services.h"

namespace vidudi::platform {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A scratch folder as the user's runtime folder, and stand-ins for gio and xdg-open first in
// PATH; the environment (and VIDUDI_BROWSER) is restored afterwards.
class PosixServicesTest : public ::testing::Test {
protected:
    PosixServicesTest() {
        char pattern[] = "/tmp/vidudi-posix.XXXXXX";
        dir_ = mkdtemp(pattern);
        for (const char* name : {"XDG_RUNTIME_DIR", "PATH", "VIDUDI_BROWSER"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        fs::create_directories(dir_ / "bin");
        fs::create_directories(dir_ / "gvfs");
        // Each call: its arguments on one line, then what came on its input; "mount" makes the
        // folder GVfs would show, "--unmount" removes it; a file "refuse" makes it fail.
        Script("gio", "printf '%s|' \"$@\" >>'" + Log() + "'; printf '\\n' >>'" + Log() + "'\n"
               "cat >>'" + Log() + "'\n"
               "[ -e '" + (dir_ / "refuse").string() + "' ] && exit 2\n"
               "case \"$2\" in --unmount) rm -rf '" + (dir_ / "gvfs").string() + "'/smb-share:*;;\n"
               "*) mkdir -p '" + (dir_ / "gvfs").string() + "/smb-share:server=10.77.1.10,share=hdd%201';; esac\n");
        Script("xdg-open", "printf 'open %s\\n' \"$@\" >>'" + Log() + "'\n");
        setenv("PATH", ((dir_ / "bin").string() + ":" + (saved_[1].second ? *saved_[1].second : "/usr/bin:/bin")).c_str(), 1);
    }
    ~PosixServicesTest() override {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        fs::remove_all(dir_);
    }
    void Script(const std::string& name, const std::string& body) {
        const fs::path path = dir_ / "bin" / name;
        std::ofstream(path) << "#!/bin/sh\n" << body;
        chmod(path.c_str(), 0755);
    }
    std::string Log() const { return (dir_ / "calls").string(); }

    fs::path dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(PosixServicesTest, OneCopyHoldsTheLockUntilItEnds) {
    auto first = MakeLockFileInstance();
    auto second = MakeLockFileInstance();
    EXPECT_FALSE(first->AnotherCopyHolds("Norvane Vidudi"));
    EXPECT_TRUE(fs::exists(dir_ / "Norvane Vidudi.lock"));
    EXPECT_TRUE(second->AnotherCopyHolds("Norvane Vidudi"));
    EXPECT_FALSE(second->AnotherCopyHolds("Another/Program"));  // a slash does not leave the folder
    EXPECT_TRUE(fs::exists(dir_ / "Another_Program.lock"));
    first.reset();
    EXPECT_FALSE(second->AnotherCopyHolds("Norvane Vidudi"));
    // Without a runtime folder the lock is the user's own in /tmp.
    unsetenv("XDG_RUNTIME_DIR");
    auto third = MakeLockFileInstance();
    const std::string name = "vidudi-test-" + std::to_string(getpid());
    EXPECT_FALSE(third->AnotherCopyHolds(name));
    const fs::path tmpLock = "/tmp/" + std::to_string(getuid()) + "-" + name + ".lock";
    EXPECT_TRUE(fs::exists(tmpLock));
    third.reset();
    fs::remove(tmpLock);
}

TEST_F(PosixServicesTest, TextStaysUtf8WithinTheConversionsBounds) {
    TextConversion& text = PosixTextConversion();
    EXPECT_EQ(text.Utf8ToAnsi("HDD_1"), "HDD_1");
    EXPECT_EQ(text.Utf8ToAnsi("Öffentlich 共有"), "Öffentlich 共有");
    EXPECT_EQ(text.Utf8ToAnsi("a\xC3(b\xFF"), "a\xEF\xBF\xBD(b\xEF\xBF\xBD");  // broken bytes: U+FFFD
    // 131 bytes at most, cut before a character that would not fit whole.
    const std::string cut = text.Utf8ToAnsi(std::string(130, 'x') + "é" + "y");
    EXPECT_EQ(cut, std::string(130, 'x'));
    EXPECT_EQ(text.Utf8ToAnsi(std::string(300, 'x')).size(), kMaxAnsiTextLength);
}

TEST_F(PosixServicesTest, TheWindowTakesTheNtPathAndTheWebPageItsLastResort) {
    UseServices(PosixServices());
    EXPECT_EQ(GetWindowsVersionName(), "Windows XP");
    EXPECT_TRUE(PosixUserNames().LoggedOnUser().has_value());
    CommandLauncher& launcher = PosixCommandLauncher();
    unsetenv("VIDUDI_BROWSER");
    // No browser in the registry gives a command line without a program: not found, so the web
    // page falls back to "explorer ADDRESS", which is the desktop's opener.
    EXPECT_EQ(launcher.WinExec(" http://10.77.1.10", kShowHidden), kWinExecFileNotFound);
    EXPECT_EQ(launcher.WinExec("explorer http://10.77.1.10", kShowHidden), kWinExecStarted);
    EXPECT_EQ(launcher.WinExec("explorer file:///etc/passwd", kShowHidden), kWinExecNoResources);
    EXPECT_EQ(launcher.WinExec("explorer http://10.77.1.10 --new", kShowHidden), kWinExecNoResources);
    // The window's Configuration: no registry here, so the opener by way of the last resort.
    OpenWebPage("10.77.1.11");
    EXPECT_EQ(ReadAll(Log()), "open http://10.77.1.10\nopen http://10.77.1.11\n");
    UseServices({});
}

// The browser gets the address as one argument, no shell ever reads it, and only web addresses go.
TEST_F(PosixServicesTest, TheAddressIsOneArgumentThatNoShellReads) {
    Script("browser", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done >>'" + Log() + "'\n");
    setenv("VIDUDI_BROWSER", (dir_ / "bin" / "browser").c_str(), 1);
    CommandLauncher& launcher = PosixCommandLauncher();
    const std::string url = "http://10.77.1.10/$(touch " + (dir_ / "marker").string() + ");a b*`id`";
    EXPECT_TRUE(launcher.OpenUrl(url));
    for (const char* notWeb : {"--help", "file:///etc/passwd", ""}) EXPECT_FALSE(launcher.OpenUrl(notWeb)) << notWeb;
    EXPECT_EQ(launcher.WinExec("sh -c 'touch x'", kShowHidden), kWinExecNoResources);
    EXPECT_FALSE(fs::exists(dir_ / "marker"));
    EXPECT_EQ(ReadAll(Log()), url + "\n");
}

TEST_F(PosixServicesTest, SharesMountAndUnmountThroughGioAndShowFromGvfsFolder) {
    ShareMounts& mounts = GvfsShareMounts();
    EXPECT_TRUE(mounts.Available());
    EXPECT_TRUE(mounts.Mounted().empty());
    fs::create_directories(dir_ / "gvfs" / "sftp:host=elsewhere");  // not a share: left out

    // As a guest first; with credentials, user, domain (the default) and password on its input.
    EXPECT_TRUE(mounts.Mount("10.77.1.10", "hdd 1", std::nullopt));
    const std::vector<ShareMount> mounted = mounts.Mounted();
    ASSERT_EQ(mounted.size(), 1u);
    EXPECT_EQ(mounted[0], (ShareMount{"10.77.1.10", "hdd 1", (dir_ / "gvfs/smb-share:server=10.77.1.10,share=hdd%201").string()}));
    // Mounted already (the case differs): gio is not asked again.
    EXPECT_TRUE(mounts.Mount("10.77.1.10", "HDD 1", ShareCredentials{"admin", "pw"}));
    EXPECT_TRUE(mounts.OpenFolder(mounted[0].folder));
    EXPECT_FALSE(mounts.OpenFolder("--help"));
    EXPECT_TRUE(mounts.Unmount(mounted[0]));
    EXPECT_TRUE(mounts.Mounted().empty());
    std::ofstream(dir_ / "refuse");
    EXPECT_FALSE(mounts.Mount("10.77.1.10", "Private", ShareCredentials{"user\nx", "secret"}));
    EXPECT_FALSE(mounts.Mount("10.77.1.10 -x", "Private", std::nullopt));  // never run for such a host
    EXPECT_EQ(ReadAll(Log()),
              "mount|--anonymous|smb://10.77.1.10/hdd%201|\n"
              "open " + mounted[0].folder + "\n"
              "mount|--unmount|smb://10.77.1.10/hdd%201|\n"
              "mount|smb://10.77.1.10/Private|\nuserx\n\nsecret\n");
}

}  // namespace
}  // namespace vidudi::platform

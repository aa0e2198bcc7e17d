// Map Drive and Configuration with a device that cannot be reached, with the fake connection
// service, reachability probe, registry and launcher.
#include <gtest/gtest.h>

#include <system_error>

#include "drives/reachability.h"
#include "support/program_fixture.h"

namespace vidudi {
namespace {

using Kind = platform::FakeNetworkConnections::Call::Kind;

class MapDriveTest : public testing::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        lan.AddLocalAddress("10.77.1.2", 1);
        auto open = testing::Adapter("NAS-Open", "10.77.1.10");
        open.shares = {"public", "music"};
        testing::AttachDevice(lan, 1, open);
        fake.reachability.Answer("10.77.1.10", true);
        UseWorkerStarter([this](std::function<void()> work) {
            if (failWorkers) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            work();
        });
    }
    void TearDown() override {
        UseWorkerStarter({});
        g_nAvailability = 0;
        ProgramFixture::TearDown();
    }

    bool failWorkers = false;  // the system has no thread to give

    // The device chosen in the list, its share `share` selected in the Map Drive section.
    void ChooseShare(Window& window, int share) {
        window.Click(IDC_REFRESH);
        window.ClickListRow(IDC_DEVICE_LIST, 0);
        window.Click(IDC_MAP_DRIVE);
        window.ClickListRow(IDC_SHARE_LIST, share);
    }
};

// Real mapping can only be seen through the fake connection service: Wine has no share provider.
TEST_F(MapDriveTest, MountAskBeforeTakingALetterInUseAndUnmount) {
    fake.version.record = platform::VersionRecord{2, 5, 1, 2600};  // Windows XP
    fake.connections.SetConnection("Y:", "\\\\10.77.1.99\\old");
    ui.OnModal(IDD_DRIVE_IN_USE, [](Window& confirm) { confirm.PressKey(27); });  // Escape: Cancel
    ui.OnModal(IDD_DRIVE_IN_USE, [](Window& confirm) { confirm.Click(toolkit::kIdOk); });
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        ChooseShare(window, 1);
        window.Click(IDC_MOUNT);  // Z:, the highest free letter
        EXPECT_EQ(fake.connections.ConnectionOf("Z:"), "\\\\10.77.1.10\\music");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 1, 1), "Z:");
        window.ClickListRow(IDC_SHARE_LIST, 1);
        window.Click(IDC_UNMOUNT);
        EXPECT_FALSE(fake.connections.ConnectionOf("Z:"));

        ChooseShare(window, 0);
        window.ChooseComboItem(IDC_DRIVE_LETTER, 1);  // "Y: \\10.77.1.99\old"
        window.Click(IDC_MOUNT);  // cancelled: nothing changes
        EXPECT_EQ(fake.connections.ConnectionOf("Y:"), "\\\\10.77.1.99\\old");
        window.Click(IDC_MOUNT);  // confirmed
        EXPECT_EQ(fake.connections.ConnectionOf("Y:"), "\\\\10.77.1.10\\public");
        window.Click(IDC_EXIT);
    });
    EXPECT_EQ(ui.modalRuns(IDD_DRIVE_IN_USE), 2);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Successfully mapped drive.", "Successfully unmapped drive.",
                                                        "Successfully mapped drive."}));
}

// Linux: no letters; the desktop mounts the share as a guest, then as the user the login dialog
// names, shows the folder in "Map to" and in the file manager, and unmounts it again.
TEST_F(MapDriveTest, WithoutDriveLettersSharesAreMountedUnderTheDesktopsFolders) {
    fake.mounts.available = true;
    fake.mounts.required = platform::ShareCredentials{"alice", "pw"};
    // Mounted earlier by the file manager, by the device's name in another case.
    const platform::ShareMount music{"nas-open", "MUSIC", "/run/user/1000/gvfs/smb-share:server=nas-open,share=music"};
    fake.mounts.mounts = {music};
    const std::string publicFolder = "/run/user/1000/gvfs/smb-share:server=10.77.1.10,share=public";
    ui.OnModal(IDD_LOGIN, [](Window& login) {
        login.TypeText(IDC_LOGIN_USER, "alice");
        login.TypeText(IDC_LOGIN_PASSWORD, "pw");
        login.Click(toolkit::kIdOk);
    });
    ui.OnModal(IDD_LOGIN, [](Window& login) { login.Click(toolkit::kIdCancel); });
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        ChooseShare(window, 0);
        EXPECT_FALSE(window.IsVisible(IDC_DRIVE_LETTER));
        EXPECT_FALSE(window.IsVisible(IDC_DRIVE_LETTER_LABEL));
        for (int id : {IDC_SHARE_LIST, IDC_MOUNT, IDC_UNMOUNT}) EXPECT_TRUE(window.IsVisible(id)) << id;
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 0, 1), "");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 1, 1), music.folder);

        window.Click(IDC_MOUNT);  // refused as a guest, mounted as alice
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 0, 1), publicFolder);
        EXPECT_TRUE(window.IsEnabled(IDC_MOUNT));
        window.ClickListRow(IDC_SHARE_LIST, 0);
        window.Click(IDC_UNMOUNT);
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 0, 1), "");
        window.ClickListRow(IDC_SHARE_LIST, 0);
        window.Click(IDC_UNMOUNT);  // not mounted: nothing to unmount
        window.Click(IDC_MOUNT);    // the login dialog cancelled
        // Back in Find Device and again in Map Drive, the letters stay hidden.
        window.Click(IDC_REFRESH);
        window.Click(IDC_MAP_DRIVE);
        EXPECT_FALSE(window.IsVisible(IDC_DRIVE_LETTER));
        window.Click(IDC_EXIT);
    });
    EXPECT_EQ(fake.mounts.calls, (std::vector<std::string>{
                                     "mount 10.77.1.10 public",
                                     "mount 10.77.1.10 public as alice/pw",
                                     "open " + publicFolder,
                                     "unmount " + publicFolder,
                                     "mount 10.77.1.10 public",
                                     "mount 10.77.1.10 public as /",
                                 }));
    EXPECT_EQ(fake.mounts.mounts, std::vector<platform::ShareMount>{music});
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{
                                  "Successfully mapped drive.", "Successfully unmapped drive.",
                                  "Unable to disconnect this drive.\nPlease select a drive to disconnect and verify "
                                  "that the drive is not being accessed.",
                                  "Failed to map drive."}));
    EXPECT_EQ(fake.connections.CountCalls(Kind::Connect), 0);
    EXPECT_EQ(fake.connections.CountCalls(Kind::Disconnect), 0);
}

TEST_F(MapDriveTest, AttemptsAndTheLoginDialogFollowTheWindowsVersion) {
    struct Case {
        platform::VersionRecord version;
        int loginDialogs;
        int connects;
        std::uint32_t lastFlags;
    };
    const Case cases[] = {
        {{2, 4, 0, 1381}, 1, 6, 1},  // NT 4: the dialog first, then six attempts
        {{2, 6, 1, 7601}, 0, 7, 9},  // "Vista": six, then one the system may prompt for
        {{2, 5, 1, 2600}, 1, 7, 1},  // XP: six, the dialog, one more
    };
    for (const Case& c : cases) {
        fake.version.record = c.version;
        fake.connections.ClearCalls();
        fake.connections.RefuseConnects(100);
        ui.ClearMessages();
        const int dialogsBefore = ui.modalRuns(IDD_LOGIN);
        RunProgram([&](Window& window, ui::CVidudiDlg&) {
            ChooseShare(window, 0);
            window.Click(IDC_MOUNT);
            window.Click(IDC_EXIT);
        });
        platform::FakeSingleInstance::ReleaseAll();
        EXPECT_EQ(ui.modalRuns(IDD_LOGIN) - dialogsBefore, c.loginDialogs) << c.version.majorVersion;
        EXPECT_EQ(fake.connections.CountCalls(Kind::Connect), c.connects) << c.version.majorVersion;
        EXPECT_EQ(fake.connections.calls().back().flags, c.lastFlags);
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Failed to map drive."});
    }
}

TEST_F(MapDriveTest, AnUnreachableDeviceIsToldAndTheListSearchedAgain) {
    fake.reachability.Answer("10.77.1.10", false);
    RunProgram([&](Window& window, ui::CVidudiDlg& dialog) {
        auto mount = [&] {
            ChooseShare(window, 0);
            const std::size_t sent = lan.sent().size();
            window.Click(IDC_MOUNT);
            EXPECT_FALSE(dialog.m_bDeviceChosen);
            EXPECT_EQ(dialog.m_nSection, 1);
            EXPECT_GT(lan.sent().size(), sent);  // a new search
        };
        mount();
        EXPECT_FALSE(window.IsEnabled(IDC_MOUNT));
        // A probe that cannot be started is no answer either, and the program goes on.
        fake.reachability.Answer("10.77.1.10", true);
        failWorkers = true;
        mount();
        EXPECT_EQ(g_nAvailability, 0);
        window.Click(IDC_EXIT);
    });
    EXPECT_EQ(MessageTexts(), std::vector<std::string>(2, "Device is no longer available."));
    EXPECT_EQ(ui.messages().at(0).icon, toolkit::MessageIcon::Warning);
    EXPECT_EQ(fake.connections.CountCalls(Kind::Connect), 0);
    EXPECT_EQ(fake.reachability.probedUrls().size(), 1u);
}

TEST_F(MapDriveTest, ConfigurationOpensTheChosenDevicesPageAfterTheProbe) {
    fake.registry.Set("Software\\Clients\\StartMenuInternet", "", "StandIn");
    fake.registry.Set("Software\\Clients\\StartMenuInternet\\StandIn\\shell\\open\\command", "",
                      "\"C:\\Browser\\browser.exe\" -new");
    fake.launcher.Install("C:\\Browser\\browser.exe");
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        window.ClickListRow(IDC_DEVICE_LIST, 99);  // nothing selected
        window.Click(IDC_CONFIGURATION);
        window.ClickListRow(IDC_DEVICE_LIST, 0);
        window.Click(IDC_CONFIGURATION);
        // A device that has gone away gets no browser started.
        fake.reachability.Answer("10.77.1.10", false);
        window.ClickListRow(IDC_DEVICE_LIST, 0);
        window.Click(IDC_CONFIGURATION);
        window.Click(IDC_EXIT);
    });
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Please select a device to configure.", "Device is no longer available."}));
    ASSERT_EQ(fake.launcher.launches.size(), 1u);
    EXPECT_EQ(fake.launcher.launches[0].commandLine, "\"C:\\Browser\\browser.exe\" -new http://10.77.1.10");
    const std::vector<std::string> statuses = ui.exchangeStatuses();
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(statuses.begin(), statuses.begin() + 3),
              (std::vector<std::string>{"Searching for devices on 1 network...", "Reading the settings of NAS-Open...",
                                        "Checking that NAS-Open is reachable..."}));
}

}  // namespace
}  // namespace vidudi

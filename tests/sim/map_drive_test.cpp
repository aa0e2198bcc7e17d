// Map Drive: connecting a share of the chosen device to a letter and disconnecting it, with the
// fake connection service, drive types and reachability probe.
#include <gtest/gtest.h>

#include <deque>
#include <system_error>

#include "drives/reachability.h"
#include "support/program_fixture.h"

namespace vidudi {
namespace {

using Kind = platform::FakeNetworkConnections::Call::Kind;
using toolkit::MessageIcon;
using toolkit::RecordedMessageBox;

class MapDriveTest : public testing::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        lan.AddLocalAddress("10.77.1.2", 1);
        auto open = testing::Adapter("NAS-Open", "10.77.1.10");
        open.shares = {"public", "music"};
        testing::AttachDevice(lan, 1, open);
        fake.driveTypes.Set('C', platform::DriveType::Fixed);
        fake.driveTypes.Set('D', platform::DriveType::Fixed);
        fake.driveTypes.Set('E', platform::DriveType::CdRom);
        fake.reachability.Answer("10.77.1.10", true);
        // The probe's worker runs at once, or waits in `queued` for the test to run it.
        UseWorkerStarter([this](std::function<void()> work) {
            if (failWorkers) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            if (holdWorkers) {
                queued.push_back(std::move(work));
            } else {
                work();
            }
        });
    }
    void TearDown() override {
        UseWorkerStarter({});
        g_nAvailability = 0;
        ProgramFixture::TearDown();
    }

    // The device chosen in the list, its share `share` selected in the Map Drive section.
    void ChooseShare(Window& window, int share) {
        window.Click(IDC_REFRESH);
        window.ClickListRow(IDC_DEVICE_LIST, 0);
        window.Click(IDC_MAP_DRIVE);
        window.ClickListRow(IDC_SHARE_LIST, share);
    }

    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : ui.messages()) texts.push_back(message.text);
        return texts;
    }

    bool holdWorkers = false;
    bool failWorkers = false;  // the system has no thread to give
    std::deque<std::function<void()>> queued;
};

TEST_F(MapDriveTest, AMountedShareShowsItsLetterAndUnmountFreesIt) {
    fake.version.record = platform::VersionRecord{2, 5, 1, 2600};  // Windows XP
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        ChooseShare(window, 1);
        window.Click(IDC_MOUNT);
        EXPECT_EQ(fake.connections.ConnectionOf("Z:"), "\\\\10.77.1.10\\music");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 1, 1), "Z:");
        EXPECT_EQ(window.ComboItem(IDC_DRIVE_LETTER, 0), "Z: \\\\10.77.1.10\\music");
        EXPECT_EQ(window.ComboSelection(IDC_DRIVE_LETTER), 1);  // Y: is now the highest free letter
        EXPECT_TRUE(window.IsEnabled(IDC_MOUNT));

        window.ClickListRow(IDC_SHARE_LIST, 1);
        window.Click(IDC_UNMOUNT);
        EXPECT_FALSE(fake.connections.ConnectionOf("Z:"));
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 1, 1), "");
        // A share that is not mapped: its empty "Map to" cannot be disconnected.
        window.ClickListRow(IDC_SHARE_LIST, 0);
        window.Click(IDC_UNMOUNT);
        window.Click(IDC_EXIT);
    });
    EXPECT_EQ(ui.modalRuns(IDD_LOGIN), 0);
    EXPECT_EQ(ui.messages(),
              (std::vector<RecordedMessageBox>{
                  {IDD_VIDUDI_DIALOG, "Successfully mapped drive.", "Confirm", MessageIcon::Information},
                  {IDD_VIDUDI_DIALOG, "Successfully unmapped drive.", "Confirm", MessageIcon::Information},
                  {IDD_VIDUDI_DIALOG,
                   "Unable to disconnect this drive.\nPlease select a drive to disconnect and verify that the drive "
                   "is not being accessed.",
                   "Error", MessageIcon::Error}}));
}

TEST_F(MapDriveTest, AttemptsAndTheLoginDialogFollowTheWindowsVersion) {
    struct Case {
        platform::VersionRecord version;
        int loginDialogs;
        int connects;
        std::uint32_t lastFlags;
    };
    const Case cases[] = {
        {{2, 4, 0, 1381}, 1, 6, 1},   // NT 4: the dialog first, then six attempts
        {{2, 6, 1, 7601}, 0, 7, 9},   // "Vista": six, then one the system may prompt for
        {{2, 5, 1, 2600}, 1, 7, 1},   // XP: six, the dialog, one more
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
        EXPECT_EQ(fake.connections.CountCalls(Kind::Disconnect), 1);  // the letter is freed first
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Failed to map drive."});
    }
}

TEST_F(MapDriveTest, ALetterInUseIsOnlyTakenAfterConfirmation) {
    fake.version.record = platform::VersionRecord{2, 5, 1, 2600};
    fake.connections.SetConnection("Z:", "\\\\10.77.1.99\\old");
    ui.OnModal(IDD_DRIVE_IN_USE, [](Window& confirm) { confirm.PressKey(27); });  // Escape: Cancel
    ui.OnModal(IDD_DRIVE_IN_USE, [](Window& confirm) { confirm.Click(toolkit::kIdOk); });
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        ChooseShare(window, 0);
        window.ChooseComboItem(IDC_DRIVE_LETTER, 0);  // "Z: \\10.77.1.99\old"
        window.Click(IDC_MOUNT);
        EXPECT_EQ(fake.connections.ConnectionOf("Z:"), "\\\\10.77.1.99\\old");
        EXPECT_EQ(fake.connections.CountCalls(Kind::Disconnect), 0);
        EXPECT_TRUE(window.IsEnabled(IDC_MOUNT));
        window.Click(IDC_MOUNT);
        EXPECT_EQ(fake.connections.ConnectionOf("Z:"), "\\\\10.77.1.10\\public");
        window.Click(IDC_EXIT);
    });
    EXPECT_EQ(ui.modalRuns(IDD_DRIVE_IN_USE), 2);
}

TEST_F(MapDriveTest, ASelectionScrolledAboveTheTopRowIsNotSeen) {
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        ChooseShare(window, 0);
        window.ScrollList(IDC_SHARE_LIST, 1);
        window.Click(IDC_MOUNT);
        window.Click(IDC_EXIT);
    });
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Please select a volume name to map disk."});
    EXPECT_EQ(fake.connections.CountCalls(Kind::Connect), 0);
}

TEST_F(MapDriveTest, AnUnreachableDeviceIsToldAndTheListSearchedAgain) {
    fake.reachability.Answer("10.77.1.10", false);
    RunProgram([&](Window& window, ui::CVidudiDlg& dialog) {
        ChooseShare(window, 0);
        const std::size_t sent = lan.sent().size();
        window.Click(IDC_MOUNT);
        EXPECT_FALSE(dialog.m_bDeviceChosen);
        EXPECT_EQ(dialog.m_nSection, 1);
        EXPECT_GT(lan.sent().size(), sent);  // a new search
        EXPECT_FALSE(window.IsEnabled(IDC_MOUNT));
        window.ClickListRow(IDC_DEVICE_LIST, 0);  // a new click enables it again
        EXPECT_TRUE(window.IsEnabled(IDC_MOUNT));

        // A probe that cannot be started is no answer either, and the program goes on.
        fake.reachability.Answer("10.77.1.10", true);
        failWorkers = true;
        ChooseShare(window, 0);
        window.Click(IDC_MOUNT);
        EXPECT_FALSE(dialog.m_bDeviceChosen);
        EXPECT_EQ(g_nAvailability, 0);
        window.Click(IDC_EXIT);
    });
    const RecordedMessageBox gone{IDD_VIDUDI_DIALOG, "Device is no longer available.", "Warning", MessageIcon::Warning};
    EXPECT_EQ(ui.messages(), (std::vector<RecordedMessageBox>{gone, gone}));
    EXPECT_EQ(fake.connections.CountCalls(Kind::Connect), 0);
    EXPECT_EQ(fake.reachability.probedUrls().size(), 1u);
}

TEST_F(MapDriveTest, AVerdictThatArrivesLateIsTakenByTheNextCheck) {
    fake.version.record = platform::VersionRecord{2, 5, 1, 2600};
    holdWorkers = true;
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        ChooseShare(window, 0);
        window.Click(IDC_MOUNT);  // no verdict within the two waits
        ASSERT_EQ(queued.size(), 1u);
        queued.front()();  // the probe ends now: the device answers
        queued.clear();
        ChooseShare(window, 0);
        window.Click(IDC_MOUNT);  // reads the waiting verdict at once
        window.Click(IDC_EXIT);
    });
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Device is no longer available.", "Successfully mapped drive."}));
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

TEST_F(MapDriveTest, OnNinetyEightTheShareLoginOffersTheLoggedOnUser) {
    fake.version.record = platform::VersionRecord{1, 4, 10, 0x040A0000 | 2222};
    fake.connections.RefuseConnects(6);
    ui.OnModal(IDD_LOGIN, [](Window& login) {
        EXPECT_EQ(login.Text(IDC_LOGIN_USER), "Operator");
        EXPECT_FALSE(login.IsEnabled(IDC_LOGIN_USER));
        login.TypeText(IDC_LOGIN_PASSWORD, "pw");
        login.Click(toolkit::kIdOk);
    });
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        ChooseShare(window, 0);
        window.Click(IDC_MOUNT);
        window.Click(IDC_EXIT);
    });
    platform::FakeNetworkConnections::Call last;
    for (const auto& call : fake.connections.calls()) {
        if (call.kind == Kind::Connect) last = call;
    }
    EXPECT_EQ(fake.connections.CountCalls(Kind::Connect), 7);
    EXPECT_EQ(last.user, "Operator");
    EXPECT_EQ(last.password, "pw");
    EXPECT_TRUE(last.succeeded);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Successfully mapped drive."});
}

}  // namespace
}  // namespace vidudi

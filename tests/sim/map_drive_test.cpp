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
        open.shares = {"public"};
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
};

TEST_F(MapDriveTest, AnUnreachableDeviceIsToldAndTheListSearchedAgain) {
    fake.reachability.Answer("10.77.1.10", false);
    RunProgram([&](Window& window, ui::CVidudiDlg& dialog) {
        auto mount = [&] {
            window.Click(IDC_REFRESH);
            window.ClickListRow(IDC_DEVICE_LIST, 0);
            window.Click(IDC_MAP_DRIVE);
            window.ClickListRow(IDC_SHARE_LIST, 0);
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

// Changing a device's settings through the window: the status line of each exchange, commands
// during one, the close box, and changes the device does not confirm.
#include <gtest/gtest.h>

#include <cstring>

#include "drives/selection.h"
#include "support/program_fixture.h"

namespace vidudi {
namespace {

using testing::Adapter;
using testing::AttachDevice;

class SettingsTest : public testing::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        lan.AddLocalAddress("10.77.1.2", 1);
        auto open = Adapter("NAS-Open", "10.77.1.10");
        open.dhcp = true;
        open.dhcpAddress = "10.77.1.60";
        openDevice = AttachDevice(lan, 1, open);
        AttachDevice(lan, 1, Adapter("NAS-2", "10.77.1.11"));
    }

    // Clicks the row of `address`, going back to the list (Refresh) when another section shows.
    void Choose(Window& window, const std::string& address) {
        if (!window.IsVisible(IDC_DEVICE_LIST)) window.Click(IDC_REFRESH);
        const int row = RowOf(window, address);
        ASSERT_GE(row, 0) << address << " is not listed";
        window.ClickListRow(IDC_DEVICE_LIST, row);
    }

    // The user acts in the main window from inside an exchange: once, as the first datagram
    // that `when` accepts goes out.
    void During(std::function<bool(const SimulatedLan::Bytes&)> when, std::function<void(Window&)> act) {
        lan.AttachPeer(1, [this, when = std::move(when), act = std::move(act), done = false](
                              SimulatedLan&, int, const SimulatedLan::Bytes& datagram) mutable {
            if (done || !when(datagram)) return;
            done = true;
            act(*ui.OpenDialog(IDD_VIDUDI_DIALOG));
        });
    }

    std::shared_ptr<nasemu::EmulatedDevice> openDevice;
};

TEST_F(SettingsTest, AClickLoadsTheDeviceAndALockedOneAsksForItsPasswordOnce) {
    openDevice->config().shares = {"public"};
    fake.connections.SetConnection("G:", "\\\\10.77.1.10\\public");
    auto locked = Adapter("NAS-Locked", "10.77.1.12");
    locked.adminPassword = "s3cret";
    auto lockedDevice = AttachDevice(lan, 1, locked);
    AttachDevice(lan, 1, Adapter("NAS-Far", "10.77.9.10"));
    ui.OnModal(IDD_LOGIN, [](Window& login) {
        EXPECT_EQ(login.Text(IDC_LOGIN_USER), "admin");
        login.TypeText(IDC_LOGIN_PASSWORD, "wrong-and-much-too-long");
        EXPECT_EQ(login.Text(IDC_LOGIN_PASSWORD), "wrong-and-much-t");  // 16 characters
        login.Click(toolkit::kIdOk);
    });
    ui.OnModal(IDD_LOGIN, [](Window& login) {
        login.TypeText(IDC_LOGIN_PASSWORD, "s3cret");
        login.Click(toolkit::kIdOk);
    });
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        Choose(window, "10.77.1.10");
        EXPECT_EQ(window.Text(IDC_DHCP), "Enable");
        EXPECT_FALSE(window.IsEnabled(IDC_IP_ADDRESS));
        EXPECT_EQ(window.Text(IDC_HOST_NAME), "NAS-Open");
        EXPECT_EQ(window.Text(IDC_WORK_GROUP), "WORKGROUP");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 0, 1), "G:");
        EXPECT_STREQ(g_szSelectedIP, "10.77.1.10");
        // Configurable through the protocol, but not mapped or browsed from this subnet.
        Choose(window, "10.77.9.10");
        for (int id : {IDC_MOUNT, IDC_UNMOUNT, IDC_CONFIGURATION}) EXPECT_FALSE(window.IsEnabled(id));

        Choose(window, "10.77.1.12");
        window.Click(IDC_DEVICE_SETTING);
        window.TypeText(IDC_HOST_NAME, "NAS-1_a");
        window.Click(IDC_MODIFY_DEVICE);  // refused twice: told once
        EXPECT_EQ(lockedDevice->config().name, "NAS-Locked");
        window.Click(IDC_MODIFY_DEVICE);
        EXPECT_EQ(lockedDevice->config().name, "NAS-1_a");
        EXPECT_EQ(window.ListItemText(IDC_DEVICE_LIST, RowOf(window, "10.77.1.12"), 0), "NAS-1_a");

        // The open device takes a DHCP lease and is found at the address it reports.
        Choose(window, "10.77.1.10");
        window.Click(IDC_IP_SETTING);
        window.ChooseComboItem(IDC_DHCP, 1);
        window.Click(IDC_MODIFY_IP);
        EXPECT_GE(RowOf(window, "10.77.1.60"), 0);
        window.Click(IDC_EXIT);
    });
    EXPECT_EQ(ui.modalRuns(IDD_LOGIN), 2);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Wrong administrator password input!",
                                                        "Successfully modified device setting.", "DHCP client enabled."}));
}

TEST_F(SettingsTest, AddressFieldsFromTheDeviceAndTheBuffersARefusedModifyLeaves) {
    auto noGateway = Adapter("NAS-NoGw", "10.77.1.12");
    noGateway.gateway = "";
    AttachDevice(lan, 1, noGateway);
    auto oddGateway = Adapter("NAS-OddGw", "10.77.1.13");
    oddGateway.gateway = "gw.local";
    AttachDevice(lan, 1, oddGateway);
    // The netmask and gateway fields of the last host-name request, offsets 24 to 55.
    const auto fieldsOfRename = [this] {
        std::string fields;
        for (const auto& sent : lan.sent()) {
            if (sent.bytes[0] != kOpSetting || sent.bytes[21] != kSettingHostName) continue;
            const char* text = reinterpret_cast<const char*>(sent.bytes.data());
            fields = std::string(text + 24, strnlen(text + 24, 16)) + "|" + std::string(text + 40, strnlen(text + 40, 16));
        }
        return fields;
    };
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        // An empty gateway, or one that is no address, leaves the field blank: Modify asks for it.
        for (const char* address : {"10.77.1.12", "10.77.1.13"}) {
            Choose(window, address);
            EXPECT_TRUE(window.IpIsBlank(IDC_GATEWAY)) << address;
            EXPECT_FALSE(window.IpIsBlank(IDC_NETMASK)) << address;
            window.Click(IDC_IP_SETTING);
            window.ChooseComboItem(IDC_DHCP, 0);
            window.Click(IDC_MODIFY_IP);
        }

        // Refused static addresses fill each buffer whose own checks passed: a later rename
        // carries them.
        Choose(window, "10.77.1.11");
        window.Click(IDC_IP_SETTING);
        window.TypeAddress(IDC_IP_ADDRESS, "10.0.0.5");
        window.TypeAddress(IDC_NETMASK, "255.255.255.0");
        window.TypeAddress(IDC_GATEWAY, "10.0.1.1");
        window.Click(IDC_MODIFY_IP);  // gateway outside the subnet
        window.TypeAddress(IDC_NETMASK, "255.255.0.0");
        window.TypeAddress(IDC_GATEWAY, "0.0.1.1");
        window.Click(IDC_MODIFY_IP);  // gateway's first octet
        window.Click(IDC_DEVICE_SETTING);
        window.TypeText(IDC_HOST_NAME, "NAS-Two");
        window.Click(IDC_MODIFY_DEVICE);
        EXPECT_EQ(fieldsOfRename(), "255.255.0.0|10.0.1.1");
        window.Click(IDC_EXIT);
    });
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Please input gateway address!", "Please input gateway address!",
                                                        "You enter incorrect TCP/IP configuration. Please try again.",
                                                        "Invalid gateway IP address in 1st digit. It should be 1-255.",
                                                        "Successfully modified device setting."}));
}

TEST_F(SettingsTest, ADeviceThatDoesNotTakeTheChangeIsToldAndTheWindowStaysUsable) {
    openDevice->config().faults.ignoreSettings = true;
    RunProgram([&](Window& window, ui::CVidudiDlg& dialog) {
        Choose(window, "10.77.1.10");
        window.Click(IDC_IP_SETTING);
        window.ChooseComboItem(IDC_DHCP, 0);
        window.TypeAddress(IDC_IP_ADDRESS, "10.77.1.20");
        const std::int64_t start = lan.NowMicros();
        window.Click(IDC_MODIFY_IP);
        EXPECT_LT(lan.NowMicros() - start, 12000000);  // the change's own wait, no more
        EXPECT_TRUE(window.IsEnabled(IDC_REFRESH));

        // A rename that is never confirmed: the device stays listed under its old name, and the
        // wait for the new one ends at its bound.
        window.Click(IDC_DEVICE_SETTING);
        window.TypeText(IDC_HOST_NAME, "Renamed");
        window.Click(IDC_MODIFY_DEVICE);
        EXPECT_TRUE(window.IsEnabled(IDC_REFRESH));
        // The device is no longer chosen: the next Modify asks for a choice and sends nothing.
        EXPECT_FALSE(dialog.m_bDeviceChosen);
        const std::size_t sent = lan.sent().size();
        window.Click(IDC_MODIFY_DEVICE);
        EXPECT_EQ(lan.sent().size(), sent);
        window.Click(IDC_EXIT);
    });
    // The return wait counts its searches on the status line.
    const auto& statuses = ui.exchangeStatuses();
    ASSERT_GE(statuses.size(), 30u);
    for (std::size_t k = 1; k <= 30; ++k) {
        EXPECT_EQ(statuses[statuses.size() - 31 + k],
                  "Waiting for Renamed to return (search " + std::to_string(k) + " of 30)...");
    }
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{
                  "The device did not confirm the new IP address.\nPress Refresh to see where it is listed now.",
                  "The device was not found again as \"Renamed\" at 10.77.1.10 after 30 searches.\nCheck the device, "
                  "then press Refresh to search again.",
                  "Please select a device in the \"Find Device\" section."}));
}

TEST_F(SettingsTest, TheStatusLineNamesEachExchangeAndAFailedDhcpSwitchLeavesRefreshUsable) {
    RunProgram([&](Window& window, ui::CVidudiDlg& dialog) {
        Choose(window, "10.77.1.10");
        window.Click(IDC_IP_SETTING);
        window.ChooseComboItem(IDC_DHCP, 0);
        window.TypeAddress(IDC_IP_ADDRESS, "10.77.1.20");
        window.Click(IDC_MODIFY_IP);
        openDevice->config().faults.ignoreSettings = true;
        // The failed switch posts a click to Refresh while it is disabled. Dropped (Windows) or
        // run (Wine), once the message is dismissed Refresh is usable and one search has run.
        for (const bool wine : {false, true}) {
            ui.RunPostedClicksOnDisabledButtons(wine);
            if (wine) Choose(window, "10.77.1.20");
            window.Click(IDC_IP_SETTING);
            window.ChooseComboItem(IDC_DHCP, 1);
            const std::size_t before = DiscoveryRequests();
            window.Click(IDC_MODIFY_IP);
            EXPECT_EQ(DiscoveryRequests() - before, 2u) << "wine " << wine;  // one search, two copies
            EXPECT_TRUE(window.IsEnabled(IDC_REFRESH)) << "wine " << wine;
            EXPECT_EQ(dialog.m_nSection, ui::CVidudiDlg::kFindDevice);
            EXPECT_EQ(window.Text(IDC_STATUS), "");
        }
        window.Click(IDC_EXIT);
    });
    const std::vector<std::string> expected = {
        "Searching for devices on 1 network...",  // start-up
        "Reading the settings of NAS-Open...",    // the click
        "Waiting for NAS-Open to answer...",      // the login check
        "Waiting for NAS-Open to answer...",      // the static address
        "Waiting for NAS-Open to return (search 1 of 30)...",
        "Reading the settings of NAS-Open...",    // its shares again
        "Waiting for NAS-Open to answer...",      // the login check
        "Waiting for NAS-Open to answer...",      // the DHCP switch
    };
    const auto& statuses = ui.exchangeStatuses();
    ASSERT_GE(statuses.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(statuses.begin(), statuses.begin() + static_cast<long>(expected.size())),
              expected);
    const std::string failed = "Set to dhcp client fail.The Device IP will be changed to Default IP 192.168.0.25.";
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Successfully modified device setting.", failed, failed}));
}

TEST_F(SettingsTest, CommandsDuringAnExchangeAreIgnoredAndTheCloseBoxEndsIt) {
    // While the static address is on its way: Refresh, a section button, a row, Return and the
    // about entry of the system menu. All are dropped, not kept for later.
    std::size_t sentBefore = 0;
    std::string statusDuring;
    During([](const SimulatedLan::Bytes& datagram) { return datagram[0] == kOpSetting; },
           [&](Window& window) {
               statusDuring = window.Text(IDC_STATUS);
               sentBefore = lan.sent().size();
               window.Click(IDC_REFRESH);
               window.Click(IDC_FIND_DEVICE);
               window.ClickListRow(IDC_DEVICE_LIST, 1);
               window.PressKey(13);
               window.SystemMenuCommand(IDM_ABOUTBOX);
               EXPECT_EQ(lan.sent().size(), sentBefore);
               EXPECT_EQ(ui.modalRuns(IDD_ABOUTBOX), 0);
           });
    // A rename the device never confirms, closed during the third search of the wait for it.
    std::size_t searchesBeforeRename = 0;
    std::int64_t closedAt = -1;
    std::size_t sentAtClose = 0;
    During(
        [&](const SimulatedLan::Bytes& datagram) {
            // the first copy of the third search
            return searchesBeforeRename && datagram[0] == kOpDiscovery &&
                   DiscoveryRequests() == 2 * (searchesBeforeRename + 2) + 1;
        },
        [&](Window& window) {
            EXPECT_EQ(window.Text(IDC_STATUS), "Waiting for Renamed to return (search 3 of 30)...");
            closedAt = lan.NowMicros();
            sentAtClose = lan.sent().size();
            window.CloseBox();
            EXPECT_FALSE(window.ended());  // not before the exchange has ended
        });
    const int status = RunProgram([&](Window& window, ui::CVidudiDlg& dialog) {
        Choose(window, "10.77.1.10");
        window.Click(IDC_IP_SETTING);
        window.ChooseComboItem(IDC_DHCP, 0);
        window.TypeAddress(IDC_IP_ADDRESS, "10.77.1.20");
        window.Click(IDC_MODIFY_IP);
        EXPECT_EQ(statusDuring, "Waiting for NAS-Open to answer...");
        EXPECT_EQ(dialog.m_nSection, ui::CVidudiDlg::kIpSetting);
        EXPECT_EQ(Searches(), 2u);  // start-up and the wait's first pass: no Refresh
        const int row = RowOf(window, "10.77.1.20");
        ASSERT_GE(row, 0);
        EXPECT_TRUE(window.ListIsSelected(IDC_DEVICE_LIST, row));
        EXPECT_EQ(ui.modalRuns(IDD_ABOUTBOX), 0);
        window.SystemMenuCommand(IDM_ABOUTBOX);  // between exchanges it opens the box
        EXPECT_EQ(ui.modalRuns(IDD_ABOUTBOX), 1);

        openDevice->config().faults.ignoreSettings = true;
        window.Click(IDC_DEVICE_SETTING);
        window.TypeText(IDC_HOST_NAME, "Renamed");
        searchesBeforeRename = Searches();
        window.Click(IDC_MODIFY_DEVICE);
        EXPECT_TRUE(window.ended());
    });
    EXPECT_EQ(status, 0);
    ASSERT_GE(closedAt, 0);
    // The exchange ended at its next poll, and nothing went out after the close: not even the
    // second copy of the search.
    EXPECT_EQ(lan.NowMicros() - closedAt, 0);
    EXPECT_EQ(lan.sent().size(), sentAtClose);
    EXPECT_FALSE(IsNetworkUp());
    EXPECT_EQ(lan.openSockets(), 0);
    EXPECT_EQ(DeviceList.count, 0u);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Successfully modified device setting."});
}

}  // namespace
}  // namespace vidudi

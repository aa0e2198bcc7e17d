// The main window on the headless dialog layer and the simulated LAN: start-up, sections,
// keys, the skinned look and the ways the window ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include <unistd.h>

#include "app/vidudi_app.h"
#include "platform/fake/fake_platform.h"
#include "resource.h"
#include "support/protocol_state.h"
#include "toolkit/headless/headless_toolkit.h"
#include "ui/vidudi_dlg.h"

namespace vidudi {
namespace {

using toolkit::HeadlessDialog;
using toolkit::HeadlessToolkit;
using toolkit::MessageIcon;
using toolkit::RecordedMessageBox;
using ui::CVidudiDlg;

const std::string kSource = VIDUDI_SOURCE_DIR;

// Every control a section shows on the right-hand side; the bar buttons are never touched.
const std::set<int> kSectionControls[] = {
    {IDC_DEVICE_LIST},
    {IDC_HOST_NAME_LABEL, IDC_WORK_GROUP_LABEL, IDC_HOST_NAME, IDC_WORK_GROUP, IDC_MODIFY_DEVICE},
    {IDC_DHCP_LABEL, IDC_DHCP, IDC_IP_ADDRESS_LABEL, IDC_IP_ADDRESS, IDC_NETMASK_LABEL, IDC_NETMASK,
     IDC_GATEWAY_LABEL, IDC_GATEWAY, IDC_MODIFY_IP},
    {IDC_SHARE_LIST, IDC_DRIVE_LETTER_LABEL, IDC_DRIVE_LETTER, IDC_MOUNT, IDC_UNMOUNT},
    {IDC_PRODUCT_NAME, IDC_VERSION, IDC_COPYRIGHT},
};
const int kBar[] = {IDC_REFRESH, IDC_DEVICE_SETTING, IDC_IP_SETTING, IDC_MAP_DRIVE, IDC_CONFIGURATION,
                    IDC_ABOUT, IDC_EXIT};
const int kSectionButtons[] = {IDC_REFRESH, IDC_DEVICE_SETTING, IDC_IP_SETTING, IDC_MAP_DRIVE, IDC_ABOUT};
const char* const kHighlighted[] = {"search_on.bmp", "device_setting_on.bmp", "ip_setting_on.bmp", "mount_on.bmp",
                                    "about_on.bmp"};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ResetProtocolState();
        platform::FakeSingleInstance::ReleaseAll();
        UseTransport(&lan);
        lan.AddLocalAddress("10.77.1.2", 1);
        device = testing::AttachDevice(lan, 1, testing::Adapter("NAS-1", "10.77.1.10"));
        auto second = testing::Adapter("NAS-2", "10.77.1.11");
        second.netmask = "255.255.0.0";
        testing::AttachDevice(lan, 1, second);
        toolkit::UseBackend(&ui);
    }
    void TearDown() override {
        toolkit::UseBackend(nullptr);
        testing::ResetProtocolState();
    }

    // Runs the program with `user` playing its part in the main window.
    int RunProgram(const std::function<void(HeadlessDialog&, CVidudiDlg&)>& user) {
        ui.OnModal(IDD_VIDUDI_DIALOG, [&](HeadlessDialog& window) {
            user(window, static_cast<CVidudiDlg&>(window.dialog()));
        });
        platform::FakeSingleInstance instance;
        return app::CVidudiApp(instance).InitInstance();
    }

    static std::set<int> VisibleSectionControls(HeadlessDialog& window) {
        std::set<int> visible;
        for (const auto& controls : kSectionControls) {
            for (int id : controls) {
                if (window.IsVisible(id)) visible.insert(id);
            }
        }
        return visible;
    }

    SimulatedLan lan;
    std::shared_ptr<nasemu::EmulatedDevice> device;
    HeadlessToolkit ui{kSource + "/res/vidudi.rc", kSource + "/res/resource.h", kSource};
};

TEST_F(MainWindowTest, FirstWindowListsTheAdaptersFound) {
    bool checkedDuringSearch = false;
    // While the search runs the Refresh button is disabled and shows its highlighted image.
    lan.AttachPeer(1, [&](SimulatedLan&, int, const SimulatedLan::Bytes& request) {
        if (request[0] != 1 || checkedDuringSearch) return;
        HeadlessDialog& window = *ui.OpenDialog(IDD_VIDUDI_DIALOG);
        EXPECT_FALSE(window.IsEnabled(IDC_REFRESH));
        EXPECT_EQ(window.ImageOn(IDC_REFRESH), "search_on.bmp");
        checkedDuringSearch = true;
    });
    ui.SetDisplayCharset(204);  // a Cyrillic code page
    const int status = RunProgram([&](HeadlessDialog& window, CVidudiDlg& dialog) {
        ASSERT_EQ(window.ListItemCount(IDC_DEVICE_LIST), 2);
        EXPECT_EQ(window.ListItemText(IDC_DEVICE_LIST, 0, 0), "NAS-1");
        EXPECT_EQ(window.ListItemText(IDC_DEVICE_LIST, 0, 1), "10.77.1.10");
        EXPECT_EQ(window.ListItemText(IDC_DEVICE_LIST, 1, 2), "255.255.0.0");
        EXPECT_EQ(window.ListItemText(IDC_DEVICE_LIST, 1, 3), "10.77.1.1");
        EXPECT_EQ(window.ListColumnHeading(IDC_DEVICE_LIST, 1), "IP Address");
        EXPECT_EQ(window.ListColumnWidth(IDC_DEVICE_LIST, 0), 110);
        EXPECT_EQ(window.ListColumnHeading(IDC_SHARE_LIST, 1), "Map to");
        // The share list's font takes the display context's character set; the others ANSI.
        EXPECT_EQ(window.Font(IDC_SHARE_LIST), (toolkit::FontSpec{"ITC Officina Sans", 16, 100, 204}));
        EXPECT_EQ(window.Font(IDC_DEVICE_LIST), (toolkit::FontSpec{"ITC Officina Sans", 16, 400, 0}));
        EXPECT_EQ(dialog.m_nSection, 1);
        EXPECT_FALSE(dialog.m_bDeviceChosen);
        EXPECT_EQ(VisibleSectionControls(window), kSectionControls[0]);
        EXPECT_TRUE(window.IsEnabled(IDC_REFRESH));
        EXPECT_EQ(window.Bounds(0), (toolkit::Rect{0, 0, 801, 592}));
        // After the search "search.bmp" was drawn; the repaint that follows highlights it again.
        EXPECT_EQ(window.ImageOn(IDC_REFRESH), "search.bmp");
        window.Paint();
        EXPECT_EQ(window.ImageOn(IDC_REFRESH), "search_on.bmp");
        EXPECT_EQ(window.ImageOn(IDC_DEVICE_SETTING), "device_setting.bmp");
        EXPECT_EQ(window.pictures().back(), "res\\Norvane_bkgnd.bmp");
        EXPECT_EQ(window.icon(), IDR_MAINFRAME);
        window.PressKey(27);
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(checkedDuringSearch);
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(MainWindowTest, SectionsShowTheirControlsAndKeepWhatWasTyped) {
    RunProgram([&](HeadlessDialog& window, CVidudiDlg& dialog) {
        for (int section = 1; section <= 5; ++section) {
            window.Click(kSectionButtons[section - 1]);
            EXPECT_EQ(dialog.m_nSection, section);
            EXPECT_EQ(VisibleSectionControls(window), kSectionControls[section - 1]) << "section " << section;
            for (int id : kBar) EXPECT_TRUE(window.IsVisible(id)) << id;
            EXPECT_FALSE(window.IsVisible(IDC_FIND_DEVICE));
            EXPECT_FALSE(window.IsVisible(IDC_NAS_DEVICE_LABEL));
            // The new section's button is drawn highlighted by the repaint.
            window.Paint();
            EXPECT_EQ(window.ImageOn(kSectionButtons[section - 1]), kHighlighted[section - 1]);
        }
        window.Click(IDC_IP_SETTING);
        window.TypeAddress(IDC_IP_ADDRESS, "10.0.0.5");
        window.TypeText(IDC_HOST_NAME, "typed");  // hidden in this section: not reachable
        EXPECT_EQ(window.Text(IDC_HOST_NAME), "");
        window.Click(IDC_DEVICE_SETTING);
        window.TypeText(IDC_HOST_NAME, "NAS-9");
        window.Click(IDC_MAP_DRIVE);
        window.Click(IDC_IP_SETTING);
        EXPECT_EQ(window.Text(IDC_HOST_NAME), "NAS-9");
        std::uint8_t octets[4];
        EXPECT_EQ(window.IpGet(IDC_IP_ADDRESS, octets), 4);
        EXPECT_EQ(octets[3], 5);
        window.Click(IDC_EXIT);
    });
}

TEST_F(MainWindowTest, ReturnNeverEndsTheWindowAndEscapeDoes) {
    RunProgram([&](HeadlessDialog& window, CVidudiDlg&) {
        for (int button : kSectionButtons) {
            window.Click(button);
            window.PressKey(13);
            EXPECT_FALSE(window.ended());
        }
        window.Click(IDC_DEVICE_SETTING);
        window.TypeText(IDC_HOST_NAME, "NAS-1");
        window.PressKey(13);
        EXPECT_FALSE(window.ended());
        window.PressKey(27);
        EXPECT_TRUE(window.ended());
        // Escape leaves the sockets to the process's end.
        EXPECT_TRUE(IsNetworkUp());
    });
}

TEST_F(MainWindowTest, ExitFreesTheTableAndCloseStopsTheNetwork) {
    RunProgram([&](HeadlessDialog& window, CVidudiDlg&) {
        ASSERT_EQ(DeviceList.count, 2u);
        window.Click(IDC_EXIT);
        EXPECT_TRUE(window.ended());
        EXPECT_EQ(DeviceList.count, 0u);
        EXPECT_FALSE(IsNetworkUp());
    });
    platform::FakeSingleInstance::ReleaseAll();
    RunProgram([&](HeadlessDialog& window, CVidudiDlg&) {
        window.CloseBox();
        EXPECT_TRUE(window.ended());
        EXPECT_FALSE(IsNetworkUp());
        EXPECT_EQ(DeviceList.count, 2u);  // left to the process's end
    });
}

TEST_F(MainWindowTest, TheStatusLineSaysASearchIsRunningAndIsEmptyOtherwise) {
    lan.AddLocalAddress("10.77.2.2", 2);
    std::vector<std::string> seen;  // the status line as each search request goes out
    lan.AttachPeer(1, [&](SimulatedLan&, int, const SimulatedLan::Bytes& datagram) {
        if (datagram[0] == kOpDiscovery) seen.push_back(ui.OpenDialog(IDD_VIDUDI_DIALOG)->Text(IDC_STATUS));
    });
    RunProgram([&](HeadlessDialog& window, CVidudiDlg&) {
        EXPECT_EQ(window.Text(IDC_STATUS), "");
        EXPECT_TRUE(window.IsVisible(IDC_STATUS));
        EXPECT_EQ(window.Font(IDC_STATUS).face, window.Font(IDC_HOST_NAME).face);
        window.Click(IDC_REFRESH);
        EXPECT_EQ(window.Text(IDC_STATUS), "");
        window.Click(IDC_EXIT);
    });
    const std::string searching = "Searching for devices on 2 networks...";
    EXPECT_EQ(ui.exchangeStatuses(), std::vector<std::string>(2, searching));  // start-up and Refresh
    EXPECT_EQ(seen, std::vector<std::string>(4, searching));                   // two copies each
}

TEST_F(MainWindowTest, SystemMenuOpensTheAboutBox) {
    RunProgram([&](HeadlessDialog& window, CVidudiDlg&) {
        const auto& entries = window.systemMenuEntries();
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[0].first, 0);  // separator
        EXPECT_EQ(entries[1], (std::pair<int, std::string>{16, "About Vorezar Idivuve Redozoz(&A)..."}));
        ui.OnModal(IDD_ABOUTBOX, [](HeadlessDialog& about) {
            EXPECT_EQ(about.Text(0), "Norvane Vidudi");
            about.PressKey(13);  // OK is the default button: Return closes the box
            EXPECT_TRUE(about.ended());
        });
        window.SystemMenuCommand(16);
        EXPECT_EQ(ui.modalRuns(IDD_ABOUTBOX), 1);
        EXPECT_FALSE(window.ended());
        window.SystemMenuCommand(0xF060);  // Close still closes
        EXPECT_TRUE(window.ended());
    });
}

TEST_F(MainWindowTest, HoverFacesFollowThePointer) {
    RunProgram([&](HeadlessDialog& window, CVidudiDlg&) {
        window.Click(IDC_MAP_DRIVE);
        EXPECT_EQ(window.ButtonFace(IDC_MOUNT), IDB_MOUNT);
        window.MoveMouseTo(IDC_MOUNT);
        EXPECT_EQ(window.ButtonFace(IDC_MOUNT), IDB_MOUNT_HOVER);
        window.MoveMouseTo(IDC_UNMOUNT);
        EXPECT_EQ(window.ButtonFace(IDC_MOUNT), IDB_MOUNT);
        EXPECT_EQ(window.ButtonFace(IDC_UNMOUNT), IDB_UNMOUNT_HOVER);
        window.MoveMouseTo(0);
        EXPECT_EQ(window.ButtonFace(IDC_UNMOUNT), IDB_UNMOUNT);
        // Leaving the window straight from a button keeps its hover face.
        window.MoveMouseTo(IDC_MOUNT);
        window.MoveMouseTo(-1);
        EXPECT_EQ(window.ButtonFace(IDC_MOUNT), IDB_MOUNT_HOVER);

        // Bar buttons have no hover face; Configuration lights up while the button is held.
        window.Paint();
        window.MoveMouseTo(IDC_DEVICE_SETTING);
        EXPECT_EQ(window.ImageOn(IDC_DEVICE_SETTING), "device_setting.bmp");
        window.MouseDown(IDC_CONFIGURATION);
        EXPECT_EQ(window.ImageOn(IDC_CONFIGURATION), "management_on.bmp");
        window.MouseUp(IDC_CONFIGURATION);
        EXPECT_EQ(window.ImageOn(IDC_CONFIGURATION), "management.bmp");
        window.Click(IDC_EXIT);
    });
}

TEST_F(MainWindowTest, BrokenBackgroundPicturesAreReportedOnce) {
    const auto root = std::filesystem::temp_directory_path() / ("vidudi-skin-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "res");
    for (const char* name : {"search.bmp", "search_on.bmp", "exit.bmp"}) {
        std::filesystem::copy_file(kSource + "/res/" + name, root / "res" / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    HeadlessToolkit missing(kSource + "/res/vidudi.rc", kSource + "/res/resource.h", root.string());
    toolkit::UseBackend(&missing);
    missing.OnModal(IDD_VIDUDI_DIALOG, [&](HeadlessDialog& window) {
        window.Paint();
        window.Paint();
        EXPECT_EQ(window.ImageOn(IDC_EXIT), "exit.bmp");  // the bar is still drawn
        EXPECT_EQ(window.ImageOn(IDC_ABOUT), "");         // a missing image leaves no face
        std::ofstream(root / "res" / "Norvane_bkgnd.bmp");  // zero bytes: nothing drawn, nothing said
        window.Paint();
        EXPECT_EQ(missing.messages().size(), 1u);
        std::ofstream(root / "res" / "Norvane_bkgnd.bmp") << "not a picture";
        window.Paint();
        window.Click(IDC_EXIT);
    });
    platform::FakeSingleInstance instance;
    app::CVidudiApp(instance).InitInstance();
    std::filesystem::remove_all(root);
    EXPECT_EQ(missing.messages(),
              (std::vector<RecordedMessageBox>{
                  {IDD_VIDUDI_DIALOG, "Can't   Open   Image   File!", "Norvane Vidudi", MessageIcon::Warning},
                  {IDD_VIDUDI_DIALOG, "Error   Loading   Picture   From   Stream!", "Norvane Vidudi",
                   MessageIcon::Warning}}));
}

TEST_F(MainWindowTest, ASecondCopyEndsSilentlyAndNoSocketLibraryMeansExitCodeOne) {
    platform::FakeSingleInstance first;
    ASSERT_FALSE(first.AnotherCopyHolds("Norvane Vidudi"));
    platform::FakeSingleInstance second;
    EXPECT_EQ(app::CVidudiApp(second).InitInstance(), 0);
    EXPECT_EQ(ui.modalRuns(IDD_VIDUDI_DIALOG), 0);
    EXPECT_EQ(lan.startups(), 0);

    platform::FakeSingleInstance::ReleaseAll();
    lan.startupFails = true;
    platform::FakeSingleInstance third;
    EXPECT_EQ(app::CVidudiApp(third).InitInstance(), 1);
    EXPECT_EQ(ui.modalRuns(IDD_VIDUDI_DIALOG), 0);

    // The same when a Refresh cannot start it again: the window ends there, nothing is sent.
    platform::FakeSingleInstance::ReleaseAll();
    lan.startupFails = false;
    EXPECT_EQ(RunProgram([&](HeadlessDialog& window, CVidudiDlg&) {
                  lan.startupFails = true;
                  const std::size_t sent = lan.sent().size();
                  window.Click(IDC_REFRESH);
                  EXPECT_TRUE(window.ended());
                  EXPECT_EQ(lan.sent().size(), sent);
              }),
              1);
}

}  // namespace
}  // namespace vidudi

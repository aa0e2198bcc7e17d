// The main window on the headless dialog layer and the simulated LAN: the first window, the
// status line of a search, broken skin pictures, and no socket library.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <unistd.h>

#include "support/program_fixture.h"

namespace vidudi {
namespace {

using toolkit::MessageIcon;
using toolkit::RecordedMessageBox;

class MainWindowTest : public testing::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        lan.AddLocalAddress("10.77.1.2", 1);
        testing::AttachDevice(lan, 1, testing::Adapter("NAS-1", "10.77.1.10"));
        auto second = testing::Adapter("NAS-2", "10.77.1.11");
        second.netmask = "255.255.0.0";
        testing::AttachDevice(lan, 1, second);
    }
};

TEST_F(MainWindowTest, FirstWindowListsTheAdaptersAndTheStatusLineFollowsTheSearch) {
    lan.AddLocalAddress("10.77.2.2", 2);
    std::vector<std::string> seen;  // the status line as each search request goes out
    lan.AttachPeer(1, [&](SimulatedLan&, int, const SimulatedLan::Bytes& datagram) {
        if (datagram[0] != kOpDiscovery) return;
        Window& window = *ui.OpenDialog(IDD_VIDUDI_DIALOG);
        seen.push_back(window.Text(IDC_STATUS));
        EXPECT_FALSE(window.IsEnabled(IDC_REFRESH));
    });
    ui.SetDisplayCharset(204);  // a Cyrillic code page
    const int status = RunProgram([&](Window& window, ui::CVidudiDlg&) {
        ASSERT_EQ(window.ListItemCount(IDC_DEVICE_LIST), 2);
        EXPECT_EQ(window.ListItemText(IDC_DEVICE_LIST, 0, 0), "NAS-1");
        EXPECT_EQ(window.ListItemText(IDC_DEVICE_LIST, 0, 1), "10.77.1.10");
        EXPECT_EQ(window.ListItemText(IDC_DEVICE_LIST, 1, 2), "255.255.0.0");
        EXPECT_EQ(window.ListItemText(IDC_DEVICE_LIST, 1, 3), "10.77.1.1");
        // The share list's font takes the display context's character set; the others ANSI.
        EXPECT_EQ(window.Font(IDC_SHARE_LIST), (toolkit::FontSpec{"ITC Officina Sans", 16, 100, 204}));
        EXPECT_EQ(window.Font(IDC_DEVICE_LIST), (toolkit::FontSpec{"ITC Officina Sans", 16, 400, 0}));
        EXPECT_EQ(window.Text(IDC_STATUS), "");
        window.Click(IDC_REFRESH);
        EXPECT_EQ(window.Text(IDC_STATUS), "");
        EXPECT_TRUE(window.IsEnabled(IDC_REFRESH));
        window.PressKey(27);
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(ui.messages().empty());
    const std::string searching = "Searching for devices on 2 networks...";
    EXPECT_EQ(ui.exchangeStatuses(), std::vector<std::string>(2, searching));  // start-up and Refresh
    EXPECT_EQ(seen, std::vector<std::string>(4, searching));                   // two copies each
}

TEST_F(MainWindowTest, SectionsKeysHoverFacesAndTheAboutBox) {
    struct Section {
        int button;
        int shown;  // a control of the section
        const char* face;
    };
    const Section sections[] = {{IDC_DEVICE_SETTING, IDC_HOST_NAME, "device_setting_on.bmp"},
                                {IDC_IP_SETTING, IDC_IP_ADDRESS, "ip_setting_on.bmp"},
                                {IDC_MAP_DRIVE, IDC_SHARE_LIST, "mount_on.bmp"},
                                {IDC_REFRESH, IDC_DEVICE_LIST, "search_on.bmp"}};
    ui.OnModal(IDD_ABOUTBOX, [](Window& about) { about.PressKey(13); });
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        for (const Section& section : sections) {
            window.Click(section.button);
            window.PressKey(13);  // Return never ends the window
            EXPECT_FALSE(window.ended());
            for (const Section& other : sections) EXPECT_EQ(window.IsVisible(other.shown), &other == &section);
            window.Paint();
            EXPECT_EQ(window.ImageOn(section.button), section.face);
        }
        // "Host Name:" has no id: the window finds it as the one label without one.
        window.Click(IDC_DEVICE_SETTING);
        EXPECT_EQ(window.Text(toolkit::kNoId), "Host Name:");
        EXPECT_TRUE(window.IsVisible(toolkit::kNoId));
        EXPECT_EQ(window.Bounds(toolkit::kNoId), (toolkit::Rect{256, 216, 120, 30}));
        EXPECT_EQ(window.Font(toolkit::kNoId), (toolkit::FontSpec{"ITC Officina Sans", 18, 700, 0}));
        window.Click(IDC_MAP_DRIVE);
        EXPECT_FALSE(window.IsVisible(toolkit::kNoId));
        window.MoveMouseTo(IDC_MOUNT);
        EXPECT_EQ(window.ButtonFace(IDC_MOUNT), IDB_MOUNT_HOVER);
        window.MoveMouseTo(IDC_UNMOUNT);
        EXPECT_EQ(window.ButtonFace(IDC_MOUNT), IDB_MOUNT);
        window.SystemMenuCommand(16);
        EXPECT_EQ(ui.modalRuns(IDD_ABOUTBOX), 1);
        window.PressKey(27);  // Escape does
        EXPECT_TRUE(window.ended());
    });
}

TEST_F(MainWindowTest, TheReturnRuleLeavesMouseClicksWithCtrlAndShiftAlone) {
    // With the left button, Shift and Ctrl make a mouse message's word parameter 13, the code
    // of the Return key.
    constexpr std::uintptr_t keys = toolkit::kMouseShift | toolkit::kMouseControl;
    static_assert((keys | toolkit::kMouseLeftButton) == 13);
    RunProgram([&](Window& window, ui::CVidudiDlg& dialog) {
        window.Click(IDC_REFRESH, keys);
        EXPECT_EQ(Searches(), 2u);
        window.ClickListRow(IDC_DEVICE_LIST, 1, keys);
        EXPECT_TRUE(dialog.m_bDeviceChosen);
        EXPECT_EQ(window.Text(IDC_HOST_NAME), "NAS-2");
        window.Click(IDC_DEVICE_SETTING, keys);
        EXPECT_EQ(dialog.m_nSection, ui::CVidudiDlg::kDeviceSetting);
        window.PressKey(13);  // the key itself still goes nowhere
        EXPECT_FALSE(window.ended());
        window.Click(IDC_EXIT, keys);
        EXPECT_TRUE(window.ended());
    });
}

TEST_F(MainWindowTest, TheFocusOfADisabledButtonGoesToTheDeviceList) {
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        window.Click(IDC_MAP_DRIVE);
        EXPECT_EQ(window.FocusedControl(), IDC_MAP_DRIVE);  // a click gives a button the focus
        window.Click(IDC_REFRESH);                          // disabled during its search
        EXPECT_EQ(window.FocusedControl(), IDC_DEVICE_LIST);
        window.ClickListRow(IDC_DEVICE_LIST, 0);
        window.Click(IDC_IP_SETTING);
        window.ChooseComboItem(IDC_DHCP, 0);
        window.TypeAddress(IDC_IP_ADDRESS, "10.77.1.20");
        window.Click(IDC_MODIFY_IP);  // disabled from the login on
        EXPECT_EQ(window.FocusedControl(), IDC_DEVICE_LIST);
        window.Click(IDC_EXIT);
    });
}

TEST_F(MainWindowTest, AtAnotherDpiTheLayoutFontsAndColumnsAreScaled) {
    struct Look {
        std::map<int, toolkit::Rect> rects;  // the window (0) and every control
        std::vector<int> fontHeights;
        std::vector<int> columnWidths;
        bool operator==(const Look&) const = default;
    };
    const auto look = [this](Window& window) {
        Look seen;
        seen.rects[0] = window.Bounds(0);
        for (const auto& control : ui.resources().dialogs.at(IDD_VIDUDI_DIALOG).controls) {
            // The "NAS Device" label is never shown, and stays where the template put it.
            if (!window.Exists(control.id) || control.id == IDC_NAS_DEVICE_LABEL) continue;
            toolkit::Rect rect = window.Bounds(control.id);
            if (control.kind == toolkit::ControlKind::ComboBox) rect.height = 0;  // a closed list: one line
            seen.rects[control.id] = rect;
        }
        for (int id : {toolkit::kNoId, IDC_HOST_NAME, IDC_PRODUCT_NAME, IDC_SHARE_LIST, IDC_STATUS}) {
            seen.fontHeights.push_back(window.Font(id).height);
        }
        for (int id : {IDC_DEVICE_LIST, IDC_SHARE_LIST}) {
            for (int c = 0; c < window.ListColumnCount(id); ++c) seen.columnWidths.push_back(window.ListColumnWidth(id, c));
        }
        return seen;
    };
    const auto scaled = [](Look at96, int dpi) {
        for (auto& [id, rect] : at96.rects) rect = toolkit::ScaleToDpi(rect, dpi);
        for (int& height : at96.fontHeights) height = toolkit::ScaleToDpi(height, dpi);
        for (int& width : at96.columnWidths) width = toolkit::ScaleToDpi(width, dpi);
        return at96;
    };
    Look at96;
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        at96 = look(window);
        window.Click(IDC_EXIT);
    });
    // At 96 DPI the places are the table's.
    EXPECT_EQ(at96.rects.at(0), (toolkit::Rect{0, 0, 801, 592}));
    EXPECT_EQ(at96.rects.at(IDC_REFRESH), (toolkit::Rect{43, 238, 114, 20}));
    EXPECT_EQ(at96.rects.at(IDC_GATEWAY), (toolkit::Rect{376, 363, 160, 26}));
    EXPECT_EQ(at96.fontHeights, (std::vector<int>{18, 16, 17, 16, 13}));
    EXPECT_EQ(at96.columnWidths, (std::vector<int>{110, 106, 106, 106, 185, 140}));

    // Opened at 150 %, and moved to monitors of 96 and 120 DPI.
    platform::FakeSingleInstance::ReleaseAll();
    ui.SetDisplayDpi(144);
    RunProgram([&](Window& window, ui::CVidudiDlg&) {
        const Look at144 = look(window);
        EXPECT_EQ(at144.rects.at(0), (toolkit::Rect{0, 0, 1201, 888}));
        EXPECT_EQ(at144.rects.at(IDC_REFRESH), (toolkit::Rect{64, 357, 171, 30}));
        EXPECT_TRUE(at144 == scaled(at96, 144));
        window.ChangeDpi(96);
        EXPECT_TRUE(look(window) == at96);
        window.ChangeDpi(120);
        EXPECT_TRUE(look(window) == scaled(at96, 120));
        window.Click(IDC_EXIT);
    });
}

TEST_F(MainWindowTest, BrokenBackgroundPicturesAreReportedOnce) {
    const auto root = std::filesystem::temp_directory_path() / ("vidudi-skin-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "res");
    toolkit::HeadlessToolkit missing(kSource + "/res/vidudi.rc", kSource + "/res/resource.h", root.string());
    toolkit::UseBackend(&missing);
    missing.OnModal(IDD_VIDUDI_DIALOG, [&](Window& window) {
        window.Paint();
        window.Paint();
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

TEST_F(MainWindowTest, StartedInAnotherFolderTheWindowTakesTheImagesBesideTheProgram) {
    // The current folder has no res\; the program file lies in program\ with its images.
    const auto root = std::filesystem::temp_directory_path() / ("vidudi-elsewhere-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "program");
    std::filesystem::copy(kSource + "/res", root / "program" / "res", std::filesystem::copy_options::recursive);
    toolkit::HeadlessToolkit elsewhere(kSource + "/res/vidudi.rc", kSource + "/res/resource.h", root.string());
    toolkit::UseBackend(&elsewhere);
    fake.files.folder = "program\\";
    fake.files.existing = {"program\\res\\Norvane_bkgnd.bmp"};
    elsewhere.OnModal(IDD_VIDUDI_DIALOG, [&](Window& window) {
        window.Paint();
        EXPECT_EQ(window.pictures(), std::vector<std::string>{"program\\res\\Norvane_bkgnd.bmp"});
        EXPECT_EQ(window.ImageOn(IDC_REFRESH), "search_on.bmp");
        EXPECT_EQ(window.ImageOn(IDC_EXIT), "exit.bmp");
        // A res\ of the current folder with the background in it comes first.
        std::filesystem::create_directories(root / "res");
        std::filesystem::copy_file(kSource + "/res/Norvane_bkgnd.bmp", root / "res" / "Norvane_bkgnd.bmp");
        fake.files.existing.insert("res\\Norvane_bkgnd.bmp");
        window.Paint();
        EXPECT_EQ(window.pictures().back(), "res\\Norvane_bkgnd.bmp");
        window.Click(IDC_EXIT);
    });
    platform::FakeSingleInstance instance;
    app::CVidudiApp(instance).InitInstance();
    std::filesystem::remove_all(root);
    EXPECT_TRUE(elsewhere.messages().empty());
}

TEST_F(MainWindowTest, NoSocketLibraryMeansExitCodeOne) {
    lan.startupFails = true;
    platform::FakeSingleInstance instance;
    EXPECT_EQ(app::CVidudiApp(instance).InitInstance(), 1);
    EXPECT_EQ(ui.modalRuns(IDD_VIDUDI_DIALOG), 0);

    // The same when a Refresh cannot start it again: the window ends there, nothing is sent.
    platform::FakeSingleInstance::ReleaseAll();
    lan.startupFails = false;
    EXPECT_EQ(RunProgram([&](Window& window, ui::CVidudiDlg&) {
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

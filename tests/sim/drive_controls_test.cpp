// The drive table in the Map Drive controls of the main window's template: which letters the
// combo box offers and selects, and which letter the share list shows for each share.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "drives/drive_table.h"
#include "platform/fake/fake_platform.h"
#include "protocol/device_table.h"
#include "resource.h"
#include "toolkit/headless/headless_toolkit.h"

namespace vidudi {
namespace {

using platform::DriveType;
using toolkit::HeadlessDialog;

const std::string kSource = VIDUDI_SOURCE_DIR;

class DriveControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(DriveTable, 0, sizeof DriveTable);
        FreeShareList();
        platform::UseServices(fake.services());
        toolkit::UseBackend(&ui);
        fake.driveTypes.Set('C', DriveType::Fixed);
    }
    void TearDown() override {
        toolkit::UseBackend(nullptr);
        platform::UseServices({});
        FreeShareList();
    }

    // Runs `body` while the main window's controls are open, as its handlers would.
    void WithControls(const std::function<void(HeadlessDialog&)>& body) {
        bool ran = false;
        ui.OnModal(IDD_VIDUDI_DIALOG, [&](HeadlessDialog& window) {
            body(window);
            ran = true;
        });
        toolkit::Dialog dialog(IDD_VIDUDI_DIALOG);
        dialog.DoModal();
        EXPECT_TRUE(ran);
    }

    static std::vector<std::string> ComboEntries(HeadlessDialog& window) {
        std::vector<std::string> entries;
        for (int i = 0; i < window.ComboCount(IDC_DRIVE_LETTER); ++i) {
            entries.push_back(window.ComboItem(IDC_DRIVE_LETTER, i));
        }
        return entries;
    }

    static void FillCombo(HeadlessDialog& window) {
        RefreshDriveTable();
        FillDriveLetterCombo(toolkit::ComboBox(window, IDC_DRIVE_LETTER));
    }

    static toolkit::ListView ShareList(HeadlessDialog& window) {
        toolkit::ListView shares(window, IDC_SHARE_LIST);
        if (window.ListColumnCount(IDC_SHARE_LIST) == 0) {
            shares.InsertColumn(0, "Shared Folder Name", 120);
            shares.InsertColumn(1, "Map to", 60);
        }
        return shares;
    }

    platform::FakePlatform fake;
    toolkit::HeadlessToolkit ui{kSource + "/res/vidudi.rc", kSource + "/res/resource.h", kSource};
};

TEST_F(DriveControlsTest, ComboOffersEveryLetterButLocalDrivesAndAToC) {
    // Removable drives and RAM disks are local too; a letter whose type the system cannot tell
    // is offered. A: to C: never are, whatever is behind them.
    fake.driveTypes.Set('C', DriveType::Remote);
    fake.driveTypes.Set('X', DriveType::Removable);
    fake.driveTypes.Set('W', DriveType::RamDisk);
    fake.driveTypes.Set('V', DriveType::Unknown);
    fake.driveTypes.Set('E', DriveType::CdRom);
    fake.driveTypes.Set('D', DriveType::Remote);
    WithControls([&](HeadlessDialog& window) {
        window.ComboAdd(IDC_DRIVE_LETTER, "left over");
        FillCombo(window);
        const auto entries = ComboEntries(window);
        ASSERT_EQ(entries.size(), 20u);
        EXPECT_EQ(entries[0], "Z:");
        EXPECT_EQ(entries[1], "Y:");
        EXPECT_EQ(entries[2], "V:");
        EXPECT_EQ(entries[19], "D:");
    });
}

TEST_F(DriveControlsTest, ConnectedLettersKeepTheirShareAndTheHighestFreeLetterIsSelected) {
    fake.connections.SetConnection("Z:", "\\\\192.168.0.25\\HDD_1");
    WithControls([&](HeadlessDialog& window) {
        FillCombo(window);
        EXPECT_EQ(window.ComboItem(IDC_DRIVE_LETTER, 0), "Z: \\\\192.168.0.25\\HDD_1");

        // Every offered letter in use: nothing selected.
        for (char letter = 'D'; letter <= 'Y'; ++letter) {
            fake.connections.SetConnection(std::string{letter, ':'}, std::string("\\\\NAS-1\\share") + letter);
        }
        FillCombo(window);
        EXPECT_EQ(window.ComboCount(IDC_DRIVE_LETTER), 23);
        EXPECT_EQ(window.ComboSelection(IDC_DRIVE_LETTER), -1);

        // Freeing a low letter makes it the selection.
        ASSERT_TRUE(fake.connections.Disconnect("E:", platform::kConnectUpdateProfile, false));
        FillCombo(window);
        EXPECT_EQ(window.ComboSelection(IDC_DRIVE_LETTER), 21);
        EXPECT_EQ(window.ComboItem(IDC_DRIVE_LETTER, 21), "E:");
    });
}

TEST_F(DriveControlsTest, ShareRowsShowTheLetterEachShareIsMappedTo) {
    AppendShare("HDD_1");
    AppendShare("Fot\xC3\xB3");  // Fotó in UTF-8, as the device sends it
    AppendShare("Music");
    AppendShare("\xC5\x81\xC3\xB3\x64\xC5\xBA");  // Łódź: not in the code page
    fake.connections.SetConnection("F:", "\\\\NAS-1\\hdd_1");
    fake.connections.SetConnection("T:", "\\\\10.77.1.10\\HDD_1");
    fake.connections.SetConnection("Z:", "\\\\NAS-2\\HDD_1");       // another device's share
    fake.connections.SetConnection("K:", "\\\\nas-1\\MUSIC");
    fake.connections.SetConnection("M:", "\\\\10.77.1.10\\Fot\xF3");  // connected under its ANSI name
    RefreshDriveTable();
    WithControls([&](HeadlessDialog& window) {
        auto shares = ShareList(window);
        shares.InsertItem(0, "stale row");
        shares.InsertItem(1, "another");
        shares.Select(1);

        FillShareRows(shares, "NAS-1", "10.77.1.10", false);
        ASSERT_EQ(window.ListItemCount(IDC_SHARE_LIST), 4);
        EXPECT_FALSE(window.ListIsSelected(IDC_SHARE_LIST, 1));
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 0, 0), "HDD_1");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 0, 1), "T:");  // F: and T: both: the higher
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 1, 0), "Fot\xF3");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 1, 1), "M:");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 2, 0), "Music");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 2, 1), "");  // host "nas-1" is not "NAS-1"
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 3, 0), "?\xF3" "d?");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 3, 1), "");

        // Ignoring the host's case, K: is this device's too.
        FillShareRows(shares, "NAS-1", "10.77.1.10", true);
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 2, 1), "K:");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 0, 1), "T:");

        // Found by its address alone, when its name differs.
        FillShareRows(shares, "RENAMED", "10.77.1.10", false);
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 0, 1), "T:");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 1, 1), "M:");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 2, 1), "");
    });
}

TEST_F(DriveControlsTest, LettersThatAreNoConnectionMapNothing) {
    // A device without a name offering a share without a name must not look mapped to every
    // free letter.
    AppendShare("");
    AppendShare("HDD_1");
    RefreshDriveTable();
    WithControls([&](HeadlessDialog& window) {
        auto shares = ShareList(window);
        FillShareRows(shares, "", "10.77.1.10", true);
        ASSERT_EQ(window.ListItemCount(IDC_SHARE_LIST), 2);
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 0, 1), "");
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 1, 1), "");

        FreeShareList();
        FillShareRows(shares, "NAS-1", "10.77.1.10", false);
        EXPECT_EQ(window.ListItemCount(IDC_SHARE_LIST), 0);
    });
}

}  // namespace
}  // namespace vidudi

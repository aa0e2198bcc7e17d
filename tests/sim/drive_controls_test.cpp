// The drive table in the Map Drive controls of the main window's template: the letters the combo
// box offers and selects, and the letter the share list shows for each share.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "drives/drive_table.h"
#include "platform/fake/fake_platform.h"
#include "protocol/device_table.h"
#include "resource.h"
#include "toolkit/headless/headless_toolkit.h"

namespace vidudi {
namespace {

TEST(DriveControlsTest, LettersOfferedAndSharesShowTheirLetter) {
    const std::string source = VIDUDI_SOURCE_DIR;
    platform::FakePlatform fake;
    toolkit::HeadlessToolkit ui{source + "/res/vidudi.rc", source + "/res/resource.h", source};
    std::memset(DriveTable, 0, sizeof DriveTable);
    FreeShareList();
    platform::UseServices(fake.services());
    toolkit::UseBackend(&ui);
    fake.driveTypes.Set('D', platform::DriveType::Remote);
    fake.driveTypes.Set('E', platform::DriveType::CdRom);
    fake.driveTypes.Set('X', platform::DriveType::Removable);
    AppendShare("HDD_1");
    AppendShare("Fot\xC3\xB3");  // Fotó in UTF-8, as the device sends it
    AppendShare("Music");
    AppendShare("");
    fake.connections.SetConnection("F:", "\\\\NAS-1\\hdd_1");
    fake.connections.SetConnection("T:", "\\\\10.77.1.10\\HDD_1");
    fake.connections.SetConnection("Z:", "\\\\NAS-2\\HDD_1");  // another device's share
    fake.connections.SetConnection("K:", "\\\\nas-1\\MUSIC");
    fake.connections.SetConnection("M:", "\\\\10.77.1.10\\Fot\xF3");  // connected under its ANSI name
    bool ran = false;
    ui.OnModal(IDD_VIDUDI_DIALOG, [&](toolkit::HeadlessDialog& window) {
        RefreshDriveTable();
        FillDriveLetterCombo(toolkit::ComboBox(window, IDC_DRIVE_LETTER));
        // Every letter but local drives and A: to C:; the highest free one is selected.
        ASSERT_EQ(window.ComboCount(IDC_DRIVE_LETTER), 21);
        EXPECT_EQ(window.ComboItem(IDC_DRIVE_LETTER, 0), "Z: \\\\NAS-2\\HDD_1");
        EXPECT_EQ(window.ComboItem(IDC_DRIVE_LETTER, 1), "Y:");
        EXPECT_EQ(window.ComboItem(IDC_DRIVE_LETTER, 2), "W:");
        EXPECT_EQ(window.ComboItem(IDC_DRIVE_LETTER, 20), "D:");
        EXPECT_EQ(window.ComboSelection(IDC_DRIVE_LETTER), 1);

        toolkit::ListView shares(window, IDC_SHARE_LIST);
        shares.InsertColumn(0, "Shared Folder Name", 120);
        shares.InsertColumn(1, "Map to", 60);
        shares.InsertItem(0, "stale row");
        auto letters = [&] {
            std::string row;
            for (int item = 0; item < window.ListItemCount(IDC_SHARE_LIST); ++item) {
                row += window.ListItemText(IDC_SHARE_LIST, item, 1) + "|";
            }
            return row;
        };
        FillShareRows(shares, "NAS-1", "10.77.1.10", false);
        EXPECT_EQ(window.ListItemText(IDC_SHARE_LIST, 1, 0), "Fot\xF3");
        EXPECT_EQ(letters(), "T:|M:|||");  // F: and T: both: the higher; "nas-1" is not "NAS-1"
        FillShareRows(shares, "NAS-1", "10.77.1.10", true);
        EXPECT_EQ(letters(), "T:|M:|K:||");
        FillShareRows(shares, "", "10.77.1.99", true);  // no name: free letters map nothing
        EXPECT_EQ(letters(), "||||");
        ran = true;
    });
    toolkit::Dialog(IDD_VIDUDI_DIALOG).DoModal();
    EXPECT_TRUE(ran);
    toolkit::UseBackend(nullptr);
    platform::UseServices({});
    FreeShareList();
}


// The table itself: host and share split, records that keep to their size, what clears one.
TEST(DriveControlsTest, RemoteNamesSplitWithinTheirRecords) {
    std::memset(DriveTable, 0, sizeof DriveTable);
    platform::FakePlatform fake;
    platform::UseServices(fake.services());
    auto host = [](char letter) { return std::string(DriveTable[letter - 'A'].host); };
    auto share = [](char letter) { return std::string(DriveTable[letter - 'A'].share); };
    fake.connections.SetConnection("F:", "\\\\NAS-1\\Fotos\\2024");
    fake.connections.SetConnection("G:", "\\\\" + std::string(200, 'h') + "\\data");
    fake.connections.SetConnection("H:", "\\\\NAS-1\\" + std::string(247, 's'));  // 255 bytes: fits
    fake.connections.SetConnection("Y:", "\\\\NAS-1\\Music");
    RefreshDriveTable();
    EXPECT_EQ(host('F'), "NAS-1");
    EXPECT_EQ(share('F'), "Fotos\\2024");
    EXPECT_EQ(host('G'), std::string(131, 'h'));
    EXPECT_EQ(share('G'), "data");
    EXPECT_EQ(std::string(DriveTable['G' - 'A'].drive), "G:");
    EXPECT_EQ(share('H'), std::string(247, 's'));
    // A name of a provider's own form keeps what the letter showed; one too long for the buffer
    // clears it.
    fake.connections.SetConnection("Y:", "NetWare/SYS");
    RefreshDriveTable();
    EXPECT_EQ(share('Y'), "Music");
    fake.connections.SetConnection("Y:", "\\\\NAS-1\\" + std::string(250, 's'));
    RefreshDriveTable();
    EXPECT_EQ(host('Y'), "");
    platform::UseServices({});
}

}  // namespace
}  // namespace vidudi

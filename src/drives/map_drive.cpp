#include "drives/map_drive.h"

#include "drives/drive_table.h"
#include "drives/selection.h"
#include "drives/windows_version.h"
#include "platform/services.h"
#include "protocol/request_buffers.h"
#include "resource.h"

namespace vidudi {

using toolkit::MessageIcon;

int g_nDriveInUseAnswer = 0;

namespace {

constexpr int kConnectAttempts = 6;

// Up to `attempts` connections with the credentials as they stand; true at the first success.
bool Connect(const std::string& remote, const std::string& drive, int attempts, std::uint32_t flags) {
    platform::NetworkConnections& connections = *platform::CurrentServices().connections;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (connections.Connect({remote, drive, g_szLoginPassword, g_szLoginUser, flags})) return true;
    }
    return false;
}

// The share list again for the device of `row`, after the drive table changed.
void RefreshAfterChange(toolkit::DialogWindow& window, int row, bool hostIgnoresCase) {
    RefreshDriveTable();
    FillDriveLetterCombo(toolkit::ComboBox(window, IDC_DRIVE_LETTER));
    if (row < 0 || !window.ListIsSelected(IDC_DEVICE_LIST, row)) return;
    FillShareRows(toolkit::ListView(window, IDC_SHARE_LIST), window.ListItemText(IDC_DEVICE_LIST, row, 0),
                  window.ListItemText(IDC_DEVICE_LIST, row, 1), hostIgnoresCase);
}

}  // namespace

CDriveInUseDlg::CDriveInUseDlg() : Dialog(IDD_DRIVE_IN_USE) {}

void CDriveInUseDlg::OnOK() {
    g_nDriveInUseAnswer = 1;
    EndDialog(toolkit::kIdOk);
}

void CDriveInUseDlg::OnCancel() {
    g_nDriveInUseAnswer = 0;
    EndDialog(toolkit::kIdCancel);
}

void OnMount(toolkit::Dialog& main, const MountSteps& steps) {
    toolkit::DialogWindow& window = main.window();
    const toolkit::ListView devices(window, IDC_DEVICE_LIST);
    const toolkit::ListView shares(window, IDC_SHARE_LIST);
    CopyText(g_szLoginUser, "");
    CopyText(g_szLoginPassword, "");
    const std::string version = GetWindowsVersionName();
    const bool oldNt = version.find("NT") != std::string::npos;

    const int deviceRow = devices.SelectedRowFromTop();
    if (deviceRow >= 0) CopyText(g_szSelectedIP, devices.ItemText(deviceRow, 1).c_str());
    const int shareRow = shares.SelectedRowFromTop();
    if (deviceRow < 0) {
        window.MessageBox("Please select a device in \"Find Device\" section.", "Warning", MessageIcon::Warning);
        return;
    }
    if (shareRow < 0) {
        window.MessageBox("Please select a volume name to map disk.", "Warning", MessageIcon::Warning);
        return;
    }
    const std::string share = shares.ItemText(shareRow, 0);

    window.Enable(IDC_MOUNT, false);
    if (!steps.checkDeviceReachable()) return;  // Mount stays disabled until the next device click
    const toolkit::ComboBox letters(window, IDC_DRIVE_LETTER);
    const int letter = letters.Selection();
    if (letter < 0) return;
    const std::string entry = letters.ItemText(letter);
    const std::string drive = entry.substr(0, 2);
    if (IsDriveEntryInUse(entry)) {
        CDriveInUseDlg confirm;
        confirm.DoModal(&main);
        if (g_nDriveInUseAnswer == 0) {
            window.Enable(IDC_MOUNT, true);
            return;
        }
    }

    const std::string remote = "\\\\" + std::string(g_szSelectedIP) + "\\" + share;
    platform::CurrentServices().connections->Disconnect(drive, platform::kConnectUpdateProfile, false);
    bool connected = false;
    if (oldNt) {
        steps.askShareCredentials();
        connected = Connect(remote, drive, kConnectAttempts, platform::kConnectUpdateProfile);
    } else {
        connected = Connect(remote, drive, kConnectAttempts, platform::kConnectUpdateProfile);
        if (!connected && version.find("Vista") != std::string::npos) {
            // Let the system ask the user for credentials itself.
            CopyText(g_szLoginUser, "");
            CopyText(g_szLoginPassword, "");
            connected = Connect(remote, drive, 1, platform::kConnectUpdateProfile | platform::kConnectInteractive);
        } else if (!connected) {
            steps.askShareCredentials();
            connected = Connect(remote, drive, 1, platform::kConnectUpdateProfile);
        }
    }
    window.Enable(IDC_MOUNT, true);
    if (!connected) {
        window.MessageBox("Failed to map drive.", "Error", MessageIcon::Error);
        return;
    }
    window.MessageBox("Successfully mapped drive.", "Confirm", MessageIcon::Information);
    RefreshAfterChange(window, deviceRow, false);
}

void OnUnmount(toolkit::Dialog& main) {
    toolkit::DialogWindow& window = main.window();
    const toolkit::ListView devices(window, IDC_DEVICE_LIST);
    const toolkit::ListView shares(window, IDC_SHARE_LIST);
    std::string driveText;
    const int shareRow = shares.SelectedRowFromTop();
    if (shareRow >= 0) {
        driveText = shares.ItemText(shareRow, 1);
    } else {
        const toolkit::ComboBox letters(window, IDC_DRIVE_LETTER);
        if (letters.Selection() < 0) return;
        driveText = letters.ItemText(letters.Selection());
    }
    const std::string drive = driveText.substr(0, 2);
    window.Enable(IDC_UNMOUNT, false);
    const bool disconnected =
        platform::CurrentServices().connections->Disconnect(drive, platform::kConnectUpdateProfile, false);
    window.Enable(IDC_UNMOUNT, true);
    if (!disconnected) {
        window.MessageBox(
            "Unable to disconnect this drive.\nPlease select a drive to disconnect and verify that the drive is not "
            "being accessed.",
            "Error", MessageIcon::Error);
        return;
    }
    window.MessageBox("Successfully unmapped drive.", "Confirm", MessageIcon::Information);
    RefreshAfterChange(window, devices.SelectedRowFromTop(), true);
}

}  // namespace vidudi

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
constexpr char kMountFailed[] = "Failed to map drive.";
constexpr char kMounted[] = "Successfully mapped drive.";
constexpr char kUnmountFailed[] =
    "Unable to disconnect this drive.\nPlease select a drive to disconnect and verify that the drive is not "
    "being accessed.";
constexpr char kUnmounted[] = "Successfully unmapped drive.";

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

// Mount and Unmount end alike: their button comes back, a box tells the outcome, and after a
// success the share list shows the change. Returns whether it succeeded.
bool Conclude(toolkit::DialogWindow& window, int button, bool succeeded, const char* failedText,
              const char* succeededText, int deviceRow, bool hostIgnoresCase) {
    window.Enable(button, true);
    if (!succeeded) {
        window.MessageBox(failedText, "Error", MessageIcon::Error);
        return false;
    }
    window.MessageBox(succeededText, "Confirm", MessageIcon::Information);
    RefreshAfterChange(window, deviceRow, hostIgnoresCase);
    return true;
}

// Without drive letters (Linux) the desktop mounts the share under a folder of its own: as a
// guest first, then as the user the login dialog names; the file manager then shows it.
void MountShareFolder(toolkit::DialogWindow& window, const MountSteps& steps, int deviceRow, const std::string& share) {
    platform::ShareMounts& mounts = *platform::CurrentServices().mounts;
    bool mounted = mounts.Mount(g_szSelectedIP, share, std::nullopt);
    if (!mounted) {
        steps.askShareCredentials();
        mounted = mounts.Mount(g_szSelectedIP, share, platform::ShareCredentials{g_szLoginUser, g_szLoginPassword});
    }
    if (!Conclude(window, IDC_MOUNT, mounted, kMountFailed, kMounted, deviceRow, true)) return;
    const auto mount = FindShareMount(window.ListItemText(IDC_DEVICE_LIST, deviceRow, 0), g_szSelectedIP, share);
    if (mount) mounts.OpenFolder(mount->folder);
}

// The share's row names its mount folder, as it names a drive letter elsewhere.
void UnmountShareFolder(toolkit::DialogWindow& window, int shareRow, int deviceRow) {
    if (shareRow < 0) return;  // there is no drive-letter list to fall back on
    const std::string folder = window.ListItemText(IDC_SHARE_LIST, shareRow, 1);
    platform::ShareMounts& mounts = *platform::CurrentServices().mounts;
    window.Enable(IDC_UNMOUNT, false);
    bool unmounted = false;
    for (const platform::ShareMount& mount : mounts.Mounted()) {
        if (!folder.empty() && mount.folder == folder) unmounted = mounts.Unmount(mount);
    }
    Conclude(window, IDC_UNMOUNT, unmounted, kUnmountFailed, kUnmounted, deviceRow, true);
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
    if (!DriveLettersExist()) {
        MountShareFolder(window, steps, deviceRow, share);
        return;
    }
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
    Conclude(window, IDC_MOUNT, connected, kMountFailed, kMounted, deviceRow, false);
}

void OnUnmount(toolkit::Dialog& main) {
    toolkit::DialogWindow& window = main.window();
    const toolkit::ListView devices(window, IDC_DEVICE_LIST);
    const toolkit::ListView shares(window, IDC_SHARE_LIST);
    std::string driveText;
    const int shareRow = shares.SelectedRowFromTop();
    if (!DriveLettersExist()) {
        UnmountShareFolder(window, shareRow, devices.SelectedRowFromTop());
        return;
    }
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
    Conclude(window, IDC_UNMOUNT, disconnected, kUnmountFailed, kUnmounted, devices.SelectedRowFromTop(), true);
}

}  // namespace vidudi

#include "drives/drive_table.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/services.h"
#include "protocol/device_table.h"

namespace vidudi {

DriveConnection DriveTable[26];

namespace {

template <std::size_t N>
void CopyBounded(char (&to)[N], std::string_view from) {
    const std::size_t length = from.size() < N ? from.size() : N - 1;
    std::memcpy(to, from.data(), length);
    to[length] = '\0';
}

bool IsConnected(const DriveConnection& record) { return record.host[0] != '\0' && record.share[0] != '\0'; }

std::string EntryText(const std::string& drive, const DriveConnection& record) {
    if (!IsConnected(record)) return drive;
    return drive + " \\\\" + record.host + "\\" + record.share;
}

bool IsLocalDrive(platform::DriveType type) {
    using platform::DriveType;
    return type == DriveType::Fixed || type == DriveType::Removable || type == DriveType::CdRom ||
           type == DriveType::RamDisk;
}

// ASCII letters only, as the C runtime compares in its default locale.
bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool MountIsOf(const platform::ShareMount& mount, std::string_view deviceName, std::string_view deviceAddress,
               std::string_view share) {
    return (EqualIgnoringCase(mount.host, deviceName) || EqualIgnoringCase(mount.host, deviceAddress)) &&
           EqualIgnoringCase(mount.share, share);
}

}  // namespace

bool DriveLettersExist() { return !platform::CurrentServices().mounts->Available(); }

std::optional<platform::ShareMount> FindShareMount(const std::string& deviceName, const std::string& deviceAddress,
                                                   const std::string& share) {
    if (DriveLettersExist()) return std::nullopt;
    for (const platform::ShareMount& mount : platform::CurrentServices().mounts->Mounted()) {
        if (MountIsOf(mount, deviceName, deviceAddress, share)) return mount;
    }
    return std::nullopt;
}

void RefreshDriveTable() {
    auto& connections = *platform::CurrentServices().connections;
    for (int index = 0; index < 26; ++index) {
        DriveConnection& record = DriveTable[index];
        std::snprintf(record.drive, sizeof record.drive, "%c:", 'A' + index);
        const auto remote = connections.RemoteName(record.drive);
        if (!remote) {
            record.host[0] = '\0';
            record.share[0] = '\0';
            continue;
        }
        // "\\host\share": the host ends at the first backslash after the leading two.
        const auto separator = remote->find('\\', 2);
        if (separator == std::string::npos) continue;
        const std::string_view name(*remote);
        CopyBounded(record.host, name.substr(2, separator - 2));
        CopyBounded(record.share, name.substr(separator + 1));
    }
}

bool IsDriveEntryInUse(const std::string& entry) { return entry.size() > 4; }

void FillDriveLetterCombo(toolkit::ComboBox combo) {
    combo.ResetContent();
    auto& driveTypes = *platform::CurrentServices().driveTypes;
    int offered = 0;
    int firstFree = 0;  // count of the first free letter offered; 0: none yet
    for (int index = 25; index >= 3; --index) {  // Z: down to D:
        // The letter itself, so that a table not yet refreshed still names its drives.
        const std::string drive{static_cast<char>('A' + index), ':'};
        if (IsLocalDrive(driveTypes.TypeOf(drive))) continue;
        ++offered;
        const std::string entry = EntryText(drive, DriveTable[index]);
        combo.Add(entry);
        if (firstFree == 0 && !IsDriveEntryInUse(entry)) firstFree = offered;
    }
    combo.Select(firstFree - 1);
}

void FillShareRows(toolkit::ListView shares, const std::string& deviceName, const std::string& deviceAddress,
                   bool hostIgnoresCase) {
    shares.DeleteAllItems();
    shares.Invalidate();
    auto& text = *platform::CurrentServices().text;
    const auto hostMatches = [&](std::string_view host) {
        if (hostIgnoresCase) return EqualIgnoringCase(host, deviceName) || EqualIgnoringCase(host, deviceAddress);
        return host == deviceName || host == deviceAddress;
    };
    const std::vector<platform::ShareMount> mounted =
        DriveLettersExist() ? std::vector<platform::ShareMount>() : platform::CurrentServices().mounts->Mounted();
    int next = 0;
    for (const ShareEntry* entry = ShareList.head; entry; entry = entry->next) {
        const std::string name = text.Utf8ToAnsi(std::string_view(entry->name, strnlen(entry->name, sizeof entry->name)));
        const int row = shares.InsertItem(next++, name);
        if (row < 0) continue;
        // Walked A: to Z:, so of several letters the highest stays shown. A letter that is no
        // network connection has no host and maps nothing, whatever the device calls itself.
        for (const DriveConnection& record : DriveTable) {
            if (IsConnected(record) && hostMatches(record.host) && EqualIgnoringCase(record.share, name)) {
                shares.SetItemText(row, 1, record.drive);
            }
        }
        for (const platform::ShareMount& mount : mounted) {
            if (MountIsOf(mount, deviceName, deviceAddress, name)) shares.SetItemText(row, 1, mount.folder);
        }
    }
}

}  // namespace vidudi

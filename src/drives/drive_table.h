#pragma once
// DriveTable: the program's mirror of the system's network connections for A: to Z:, rebuilt
// from the system whenever it is needed, and how it shows in the Map Drive section: the
// drive-letter combo box and the "Map to" column of the share list.
#include <optional>
#include <string>

#include "platform/share_mounts.h"
#include "toolkit/dialog.h"

namespace vidudi {

struct DriveConnection {
    char host[132];   // between the leading "\\" and the next '\'; empty: not a network connection
    char share[256];  // the rest of the remote name
    char drive[8];    // "E:"
};

// Record 0 is A:, record 25 Z:.
extern DriveConnection DriveTable[26];

// False where the desktop mounts shares under folders of its own (Linux, through GVfs): the
// Map Drive section then hides the letters, and "Map to" shows the mount folders.
bool DriveLettersExist();

// The desktop's mount of a share of the device (by name or address), hosts and shares
// compared ignoring case; nothing where drive letters exist or it is not mounted.
std::optional<platform::ShareMount> FindShareMount(const std::string& deviceName, const std::string& deviceAddress,
                                                   const std::string& share);

// Asks the system for the remote name of every letter. A letter the system reports no
// connection for is cleared; a remote name without a host/share separator (some providers'
// names) leaves the record as it was.
void RefreshDriveTable();

// Whether an entry of the drive-letter combo names a letter that is connected already: the
// entries of connected letters read "F: \\192.168.0.25\HDD_1", the others just "F:".
bool IsDriveEntryInUse(const std::string& entry);

// Offers Z: down to D:, leaving out A: to C: and the local drives (fixed, removable, CD-ROM,
// RAM disk); selects the highest free letter, or nothing when every letter is in use.
void FillDriveLetterCombo(toolkit::ComboBox combo);

// One row per share of ShareList: the name in the ANSI code page, and in the second column the
// letter it is connected to on this device (by name or address; the host compared exactly or
// ignoring case, the share always ignoring case). A share connected to several letters shows
// the highest. Without drive letters the second column is the share's mount folder instead.
void FillShareRows(toolkit::ListView shares, const std::string& deviceName, const std::string& deviceAddress,
                   bool hostIgnoresCase);

}  // namespace vidudi

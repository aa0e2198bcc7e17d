// The drive table as rebuilt from the system's connections: host and share split, records that
// keep to their size, and what clears a record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "drives/drive_table.h"
#include "platform/fake/fake_platform.h"

namespace vidudi {
namespace {

TEST(DriveTable, RemoteNamesSplitWithinTheirRecords) {
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

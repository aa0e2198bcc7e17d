// The drive table as rebuilt from the system's connections: how a remote name splits into host
// and share, what clears a record and what leaves it as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "drives/drive_table.h"
#include "platform/fake/fake_platform.h"

namespace vidudi {
namespace {

using Call = platform::FakeNetworkConnections::Call;

class DriveTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(DriveTable, 0, sizeof DriveTable);
        platform::UseServices(fake.services());
    }
    void TearDown() override { platform::UseServices({}); }

    static const DriveConnection& Record(char letter) { return DriveTable[letter - 'A']; }
    static std::string Host(char letter) { return Record(letter).host; }
    static std::string Share(char letter) { return Record(letter).share; }

    platform::FakePlatform fake;
};

TEST_F(DriveTableTest, RemoteNamesSplitIntoHostAndShare) {
    fake.connections.SetConnection("Z:", "\\\\192.168.0.25\\HDD_1");
    fake.connections.SetConnection("F:", "\\\\NAS-1\\Fotos\\2024");
    fake.connections.SetConnection("d:", "\\\\NAS-1\\");
    RefreshDriveTable();

    EXPECT_EQ(Host('Z'), "192.168.0.25");
    EXPECT_EQ(Share('Z'), "HDD_1");
    // Only the first backslash after the leading two separates; the rest is the share.
    EXPECT_EQ(Host('F'), "NAS-1");
    EXPECT_EQ(Share('F'), "Fotos\\2024");
    EXPECT_EQ(Host('D'), "NAS-1");
    EXPECT_EQ(Share('D'), "");
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        EXPECT_EQ(std::string(Record(letter).drive), (std::string{letter, ':'}));
    }
    EXPECT_EQ(Host('E'), "");
    EXPECT_EQ(Share('E'), "");

    // Every letter is asked once, by its drive text.
    ASSERT_EQ(fake.connections.CountCalls(Call::Kind::RemoteName), 26);
    EXPECT_EQ(fake.connections.calls().front().localName, "A:");
    EXPECT_EQ(fake.connections.calls().back().localName, "Z:");
}

TEST_F(DriveTableTest, NameWithoutSeparatorKeepsThePreviousRecordAndAnErrorClearsIt) {
    fake.connections.SetConnection("Y:", "\\\\NAS-1\\Music");
    RefreshDriveTable();
    ASSERT_EQ(Host('Y'), "NAS-1");

    // A provider's name of its own form: the letter still shows what it showed before.
    for (const char* unsplittable : {"NetWare/SYS", "\\\\NAS-2", "", "\\\\"}) {
        fake.connections.SetConnection("Y:", unsplittable);
        RefreshDriveTable();
        EXPECT_EQ(Host('Y'), "NAS-1") << unsplittable;
        EXPECT_EQ(Share('Y'), "Music") << unsplittable;
    }
    // ...and a letter that never had a split name stays empty.
    fake.connections.SetConnection("X:", "NetWare/SYS");
    RefreshDriveTable();
    EXPECT_EQ(Host('X'), "");

    // A name the 256-byte buffer cannot hold is an error like "not connected".
    fake.connections.SetConnection("Y:", "\\\\NAS-1\\" + std::string(250, 's'));
    RefreshDriveTable();
    EXPECT_EQ(Host('Y'), "");
    EXPECT_EQ(Share('Y'), "");

    fake.connections.SetConnection("Y:", "\\\\NAS-1\\Music");
    RefreshDriveTable();
    ASSERT_EQ(Share('Y'), "Music");
    ASSERT_TRUE(fake.connections.Disconnect("Y:", platform::kConnectUpdateProfile, false));
    RefreshDriveTable();
    EXPECT_EQ(Host('Y'), "");
    EXPECT_EQ(Share('Y'), "");
}

TEST_F(DriveTableTest, LongHostStaysWithinItsRecord) {
    const std::string host(200, 'h');
    fake.connections.SetConnection("G:", "\\\\" + host + "\\data");
    fake.connections.SetConnection("H:", "\\\\NAS-1\\" + std::string(247, 's'));  // 255 bytes: fits
    RefreshDriveTable();
    EXPECT_EQ(Host('G'), host.substr(0, 131));
    EXPECT_EQ(Share('G'), "data");
    EXPECT_EQ(std::string(Record('G').drive), "G:");
    EXPECT_EQ(Share('H'), std::string(247, 's'));
    EXPECT_EQ(std::string(Record('H').drive), "H:");
}

TEST_F(DriveTableTest, EntryInUseIsOneLongerThanFourCharacters) {
    EXPECT_FALSE(IsDriveEntryInUse("Z:"));
    EXPECT_FALSE(IsDriveEntryInUse("Z:  "));
    EXPECT_TRUE(IsDriveEntryInUse("Z: \\\\h\\s"));
}

}  // namespace
}  // namespace vidudi

// The Windows version name from the record the system reports: the edges of every row of the
// table, the build number's high bits, and a system that does not answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drives/windows_version.h"
#include "platform/fake/fake_platform.h"

namespace vidudi {
namespace {

using platform::VersionRecord;

class WindowsVersionTest : public ::testing::Test {
protected:
    void SetUp() override { platform::UseServices(fake.services()); }
    void TearDown() override { platform::UseServices({}); }

    std::string NameFor(VersionRecord record) {
        fake.version.record = record;
        return GetWindowsVersionName();
    }

    platform::FakePlatform fake;
};

struct Case {
    VersionRecord record;
    const char* name;
};

TEST_F(WindowsVersionTest, NineXFamilyByVersionAndTheBuildsLowSixteenBits) {
    for (const Case& c : std::vector<Case>{
             {{1, 4, 0, 950}, "Windows 95"},
             {{1, 4, 0, 951}, "Windows 95 SP1"},
             {{1, 4, 0, 1080}, "Windows 95 SP1"},
             {{1, 4, 0, 1081}, "Windows 95 OSR2"},
             {{1, 4, 9, 65535}, "Windows 95 OSR2"},
             {{1, 4, 0, 949}, "unknown Windows version"},
             {{1, 4, 10, 1998}, "Windows 98"},
             {{1, 4, 10, 1999}, "Windows 98 SP1"},
             {{1, 4, 10, 2182}, "Windows 98 SP1"},
             {{1, 4, 10, 2183}, "Windows 98 SE"},
             {{1, 4, 10, 1997}, "unknown Windows version"},
             {{1, 4, 90, 0}, "Windows ME"},
             {{1, 4, 11, 2222}, "unknown Windows version"},
             {{1, 4, 89, 3000}, "unknown Windows version"},
             {{1, 5, 0, 950}, "unknown Windows version"},
             {{1, 3, 10, 1998}, "unknown Windows version"},
             // 9x systems put major and minor into the high word of the build number.
             {{1, 4, 10, 0x040A08AE}, "Windows 98 SE"},            // low word 2222, as Wine's win98
             {{1, 4, 0, 0x000103B5}, "unknown Windows version"},  // 65536 + 949
         }) {
        EXPECT_EQ(NameFor(c.record), c.name) << c.record.majorVersion << "." << c.record.minorVersion << " build "
                                             << c.record.buildNumber;
    }
}

TEST_F(WindowsVersionTest, NtFamilyAndCe) {
    for (const Case& c : std::vector<Case>{
             {{2, 3, 51, 1057}, "Windows NT 3.51"},
             {{2, 3, 50, 807}, "unknown Windows version"},
             {{2, 4, 0, 1381}, "Windows NT 4"},
             {{2, 4, 1, 1381}, "unknown Windows version"},
             {{2, 5, 0, 2195}, "Windows 2000"},
             {{2, 5, 1, 2600}, "Windows XP"},
             {{2, 5, 2, 3790}, "unknown Windows version"},
             {{2, 6, 0, 6002}, "Vista"},
             {{2, 6, 3, 9600}, "Vista"},
             {{2, 7, 0, 0}, "unknown Windows version"},
             {{3, 0, 0, 0}, "Windows CE"},
             {{0, 4, 10, 1998}, "unknown Windows version"},  // Win32s
             {{4, 6, 1, 7601}, "unknown Windows version"},
         }) {
        EXPECT_EQ(NameFor(c.record), c.name) << "platform " << c.record.platformId << ", " << c.record.majorVersion
                                             << "." << c.record.minorVersion;
    }
}

TEST_F(WindowsVersionTest, AskedAfreshAndUnknownWhenTheSystemDoesNotAnswer) {
    fake.version.record = std::nullopt;
    EXPECT_EQ(GetWindowsVersionName(), "unknown Windows version");
    fake.version.record = VersionRecord{2, 4, 0, 1381};
    EXPECT_EQ(GetWindowsVersionName(), "Windows NT 4");
    // Without any version service installed the program still gets a name.
    platform::UseServices({});
    EXPECT_EQ(GetWindowsVersionName(), "unknown Windows version");
}

}  // namespace
}  // namespace vidudi

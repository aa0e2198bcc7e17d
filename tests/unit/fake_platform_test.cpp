// The fake services the Map Drive tests stand on: they must refuse and accept what the system
// does, or those tests prove nothing.
#include <gtest/gtest.h>

#include <string>

#include "platform/fake/fake_platform.h"

namespace vidudi::platform {
namespace {

using Call = FakeNetworkConnections::Call;

ConnectionRequest Request(const std::string& local, const std::string& remote, const std::string& user = "",
                          const std::string& password = "", std::uint32_t flags = kConnectUpdateProfile) {
    return ConnectionRequest{remote, local, password, user, flags};
}

TEST(FakeNetworkConnections, LettersConnectAndDisconnectAsTheSystemAllows) {
    FakeNetworkConnections connections;
    EXPECT_TRUE(connections.Connect(Request("f:", "\\\\NAS-1\\HDD_1")));
    EXPECT_EQ(connections.RemoteName("F:"), "\\\\NAS-1\\HDD_1");
    // A letter still connected is not taken over.
    EXPECT_FALSE(connections.Connect(Request("F:", "\\\\NAS-1\\Music")));
    EXPECT_EQ(connections.ConnectionOf("F:"), "\\\\NAS-1\\HDD_1");
    // Only drive letters: no empty or odd local names.
    EXPECT_FALSE(connections.Connect(Request("", "\\\\NAS-1\\Music")));
    EXPECT_FALSE(connections.Connect(Request("FF", "\\\\NAS-1\\Music")));

    EXPECT_FALSE(connections.Disconnect("G:", kConnectUpdateProfile, false));
    EXPECT_FALSE(connections.Disconnect("", kConnectUpdateProfile, false));
    connections.SetBusy("F:", true);
    EXPECT_FALSE(connections.Disconnect("F:", kConnectUpdateProfile, false));
    EXPECT_TRUE(connections.ConnectionOf("F:").has_value());
    EXPECT_TRUE(connections.Disconnect("F:", kConnectUpdateProfile, true));
    EXPECT_FALSE(connections.RemoteName("F:").has_value());

    // Open files belong to the connection: a new one on the letter starts idle.
    EXPECT_TRUE(connections.Connect(Request("F:", "\\\\NAS-1\\Music")));
    EXPECT_TRUE(connections.Disconnect("f:", kConnectUpdateProfile, false));
}

TEST(FakeNetworkConnections, RefusalsCredentialsAndPromptsAreRecorded) {
    FakeNetworkConnections connections;
    connections.RefuseConnects(2);
    EXPECT_FALSE(connections.Connect(Request("F:", "\\\\10.77.1.10\\HDD_1")));
    EXPECT_FALSE(connections.Connect(Request("F:", "\\\\10.77.1.10\\HDD_1")));
    EXPECT_TRUE(connections.Connect(Request("F:", "\\\\10.77.1.10\\HDD_1")));

    connections.AcceptOnly({"guest", "secret"});
    EXPECT_FALSE(connections.Connect(Request("G:", "\\\\10.77.1.10\\HDD_1", "", "")));
    EXPECT_FALSE(connections.Connect(Request("G:", "\\\\10.77.1.10\\HDD_1", "guest", "wrong")));
    // An interactive attempt gets what the user types into the system's prompt.
    EXPECT_FALSE(connections.Connect(Request("G:", "\\\\10.77.1.10\\HDD_1", "", "", 9)));
    connections.AnswerPrompt(FakeNetworkConnections::Credentials{"guest", "secret"});
    EXPECT_FALSE(connections.Connect(Request("G:", "\\\\10.77.1.10\\HDD_1", "", "", kConnectUpdateProfile)));
    EXPECT_TRUE(connections.Connect(Request("G:", "\\\\10.77.1.10\\HDD_1", "", "", 9)));
    EXPECT_TRUE(connections.Connect(Request("H:", "\\\\10.77.1.10\\HDD_1", "guest", "secret")));

    connections.OfferShares({"\\\\10.77.1.10\\HDD_1"});
    EXPECT_FALSE(connections.Connect(Request("I:", "\\\\10.77.1.10\\Fot?", "guest", "secret")));
    EXPECT_TRUE(connections.Connect(Request("I:", "\\\\10.77.1.10\\hdd_1", "guest", "secret")));

    ASSERT_EQ(connections.CountCalls(Call::Kind::Connect), 11);
    const Call& wrong = connections.calls()[4];
    EXPECT_EQ(wrong.localName, "G:");
    EXPECT_EQ(wrong.remoteName, "\\\\10.77.1.10\\HDD_1");
    EXPECT_EQ(wrong.user, "guest");
    EXPECT_EQ(wrong.password, "wrong");
    EXPECT_EQ(wrong.flags, kConnectUpdateProfile);
    EXPECT_FALSE(wrong.succeeded);
    EXPECT_EQ(connections.calls()[7].flags, 9u);
    EXPECT_TRUE(connections.calls()[7].succeeded);
}

TEST(FakeTextConversion, GivesTheBytesOfWindows1252) {
    FakeTextConversion text;
    EXPECT_EQ(text.Utf8ToAnsi("HDD_1"), "HDD_1");
    EXPECT_EQ(text.Utf8ToAnsi("Fot\xC3\xB3"), "Fot\xF3");                 // Fotó
    EXPECT_EQ(text.Utf8ToAnsi("\xE2\x82\xAC \xC5\x92\xC5\xB8"), "\x80 \x8C\x9F");  // € Œ Ÿ
    // Letters the code page lacks are '?', not a look-alike.
    EXPECT_EQ(text.Utf8ToAnsi("\xC5\x81\xC3\xB3\x64\xC5\xBA"), "?\xF3" "d?");  // Łódź
    EXPECT_EQ(text.Utf8ToAnsi("\xF0\x9F\x93\x81"), "??");  // outside the BMP: two UTF-16 units
    // Bytes that are not UTF-8.
    EXPECT_EQ(text.Utf8ToAnsi("a\xC3(b"), "a?(b");
    EXPECT_EQ(text.Utf8ToAnsi("\xC0\xAF"), "??");
    EXPECT_EQ(text.Utf8ToAnsi("\xED\xA0\x80x"), "???x");  // an encoded surrogate
    // 131 bytes at most, whatever the input.
    EXPECT_EQ(text.Utf8ToAnsi(std::string(200, 'n')), std::string(131, 'n'));
    std::string accented;
    for (int i = 0; i < 140; ++i) accented += "\xC3\xA9";
    EXPECT_EQ(text.Utf8ToAnsi(accented), std::string(131, '\xE9'));
}

TEST(FakeServices, DriveTypesUserNamesAndTheNullServices) {
    FakePlatform fake;
    fake.driveTypes.Set('c', DriveType::Fixed);
    fake.connections.SetConnection("Z:", "\\\\NAS-1\\HDD_1");
    EXPECT_EQ(fake.driveTypes.TypeOf("C:"), DriveType::Fixed);
    EXPECT_EQ(fake.driveTypes.TypeOf("C:\\"), DriveType::Fixed);
    EXPECT_EQ(fake.driveTypes.TypeOf("Z:"), DriveType::Remote);
    EXPECT_EQ(fake.driveTypes.TypeOf("Q:"), DriveType::NoRootDir);

    fake.users.name = std::string(127, 'u');
    EXPECT_EQ(fake.users.LoggedOnUser(), std::string(127, 'u'));
    fake.users.name = std::string(128, 'u');
    EXPECT_FALSE(fake.users.LoggedOnUser().has_value());

    UseServices(fake.services());
    EXPECT_EQ(CurrentServices().connections, &fake.connections);
    // What nobody installed fails every call instead of crashing.
    UseServices({});
    const Services& none = CurrentServices();
    EXPECT_FALSE(none.version->Read().has_value());
    EXPECT_FALSE(none.users->LoggedOnUser().has_value());
    EXPECT_FALSE(none.connections->RemoteName("Z:").has_value());
    EXPECT_FALSE(none.connections->Connect(ConnectionRequest{"\\\\NAS-1\\HDD_1", "Z:", "", "", kConnectUpdateProfile}));
    EXPECT_FALSE(none.connections->Disconnect("Z:", kConnectUpdateProfile, true));
    EXPECT_EQ(none.driveTypes->TypeOf("C:"), DriveType::Unknown);
    EXPECT_EQ(none.text->Utf8ToAnsi("Fot\xC3\xB3!"), "Fot?!");
}

}  // namespace
}  // namespace vidudi::platform

// The fake connection service the Map Drive tests stand on must refuse what the system refuses,
// or those tests would pass for a program that forgets to free a letter or forces it free.
#include <gtest/gtest.h>

#include <string>

#include "platform/fake/fake_platform.h"

namespace vidudi::platform {
namespace {

TEST(FakeNetworkConnections, RefusesWhatTheSystemRefuses) {
    FakeNetworkConnections connections;
    auto connect = [&](const std::string& local, const std::string& remote) {
        return connections.Connect(ConnectionRequest{remote, local, "", "", kConnectUpdateProfile});
    };
    EXPECT_TRUE(connect("f:", "\\\\NAS-1\\HDD_1"));
    // A letter still connected is not taken over.
    EXPECT_FALSE(connect("F:", "\\\\NAS-1\\Music"));
    EXPECT_EQ(connections.ConnectionOf("F:"), "\\\\NAS-1\\HDD_1");
    EXPECT_FALSE(connections.Disconnect("G:", kConnectUpdateProfile, false));

    // A letter with open files is freed only by force; a new connection on it starts idle.
    connections.SetBusy("F:", true);
    EXPECT_FALSE(connections.Disconnect("F:", kConnectUpdateProfile, false));
    EXPECT_TRUE(connections.ConnectionOf("F:").has_value());
    EXPECT_TRUE(connections.Disconnect("F:", kConnectUpdateProfile, true));
    EXPECT_TRUE(connect("F:", "\\\\NAS-1\\Music"));
    EXPECT_TRUE(connections.Disconnect("f:", kConnectUpdateProfile, false));
}

}  // namespace
}  // namespace vidudi::platform

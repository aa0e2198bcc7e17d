// vidudi doctor's firewall finding, through the fake firewall service, on the simulated LAN;
// the lan tier checks the other findings over real sockets (tests/lan/doctor_test.sh).
#include <gtest/gtest.h>

#include "doctor.h"
#include "platform/fake/fake_platform.h"
#include "support/protocol_state.h"

namespace vidudi {
namespace {

using platform::FirewallState;

class DoctorTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ResetProtocolState();
        UseTransport(&lan);
        lan.AddLocalAddress("10.77.1.2", 1);
        platform::UseServices({.firewall = &firewall});
    }
    void TearDown() override {
        platform::UseServices({});
        testing::ResetProtocolState();
    }

    // "name problem|ok text" of the computer-wide findings (those without a local address).
    std::vector<std::string> Overall() {
        EXPECT_TRUE(StartNetwork());
        std::vector<std::string> lines;
        for (const cli::Finding& f : cli::Diagnose()) {
            if (f.localAddress.empty()) lines.push_back(f.name + (f.problem ? " problem " : " ok ") + f.text);
        }
        StopNetwork();
        return lines;
    }

    SimulatedLan lan;
    platform::FakeFirewall firewall;
};

using Lines = std::vector<std::string>;

TEST_F(DoctorTest, FirewallFindingFromTheService) {
    testing::AttachDevice(lan, 1, testing::Adapter("NAS-1", "10.77.1.10"));
    // No firewall to read (Linux): nothing said about it.
    EXPECT_EQ(Overall(), Lines{});
    firewall.state = FirewallState{"private", false, false, false};
    EXPECT_EQ(Overall(), Lines{"firewall-off ok Windows Firewall is off for the current profile (private)"});
    EXPECT_EQ(firewall.askedPort, 13579);
    firewall.state = FirewallState{"domain, public", true, false, true};
    EXPECT_EQ(Overall(), Lines{"firewall-allows ok Windows Firewall is on for the current profile (domain, public), "
                               "and an inbound rule allows UDP port 13579"});
    firewall.state = FirewallState{"public", true, true, false};
    EXPECT_EQ(Overall(), Lines{"firewall-allows ok Windows Firewall is on for the current profile (public), "
                               "and an inbound rule allows this program"});
    firewall.state = FirewallState{"public", true, false, false};
    EXPECT_EQ(Overall(), Lines{"firewall-blocks problem Windows Firewall is on for the current profile (public), "
                               "and no inbound rule allows this program or UDP port 13579"});
}

// With nothing answering, a firewall that blocks is the likeliest cause, before the general ones.
TEST_F(DoctorTest, BlockingFirewallIsTheFirstCause) {
    firewall.state = FirewallState{"public", true, false, false};
    const Lines lines = Overall();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "nothing-answered problem no adapter answered on any local address");
    EXPECT_EQ(lines[2], "likely-cause ok 1. Windows Firewall drops the replies: allow this program, or UDP port "
                        "13579, inbound.");
    EXPECT_EQ(lines[3].rfind("likely-cause ok 2. The adapter is off", 0), 0u) << lines[3];
}

}  // namespace
}  // namespace vidudi

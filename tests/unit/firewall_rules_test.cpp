// Which local-port lists of a firewall rule take in the adapters' port.
#include <gtest/gtest.h>

#include "platform/firewall.h"

namespace vidudi::platform {
namespace {

TEST(FirewallRulesTest, PortLists) {
    for (const char* list : {"*", "13579", "80, 13579", "13570-13580", "1-65535", "80,443,13579-13579"}) {
        EXPECT_TRUE(PortListIncludes(list, 13579)) << list;
    }
    for (const char* list : {"", "80", "135790", "13580-13570", "1357", "13580-", "-13579", "RPC", "13579x"}) {
        EXPECT_FALSE(PortListIncludes(list, 13579)) << list;
    }
}

}  // namespace
}  // namespace vidudi::platform

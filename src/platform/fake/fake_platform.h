#pragma once
// Stand-ins for the Windows services, for tests and for programs that do not need the real ones.
#include <set>
#include <string>

#include "platform/single_instance.h"

namespace vidudi::platform {

// Names are held for the life of the test process, as a mutex is for the life of a program;
// ReleaseAll plays "every copy has ended".
class FakeSingleInstance final : public SingleInstance {
public:
    bool AnotherCopyHolds(const std::string& name) override;
    static void ReleaseAll() { HeldNames().clear(); }
    bool unavailable = false;  // the mutex cannot be created at all

private:
    static std::set<std::string>& HeldNames();
};

}  // namespace vidudi::platform

#include <set>

#include "platform/fake/fake_platform.h"

namespace vidudi::platform {

std::set<std::string>& FakeSingleInstance::HeldNames() {
    static std::set<std::string> names;
    return names;
}

bool FakeSingleInstance::AnotherCopyHolds(const std::string& name) {
    if (unavailable) return false;
    return !HeldNames().insert(name).second;
}

#ifndef _WIN32
std::unique_ptr<SingleInstance> MakeSingleInstance() { return std::make_unique<FakeSingleInstance>(); }
#endif

}  // namespace vidudi::platform

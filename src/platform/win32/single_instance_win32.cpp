#include <windows.h>

#include "platform/single_instance.h"

namespace vidudi::platform {

namespace {

class NamedMutex final : public SingleInstance {
public:
    bool AnotherCopyHolds(const std::string& name) override {
        // The handle is never closed: the system frees the name when the process ends.
        HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
        return mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
    }
};

}  // namespace

std::unique_ptr<SingleInstance> MakeSingleInstance() { return std::make_unique<NamedMutex>(); }

}  // namespace vidudi::platform

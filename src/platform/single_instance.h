#pragma once
// The single-instance guard: a name that only one running copy of the program can hold.
#include <memory>
#include <string>

namespace vidudi::platform {

class SingleInstance {
public:
    virtual ~SingleInstance() = default;
    // Takes the name for this process for the rest of its life; true when another copy already
    // holds it. When the name cannot be taken at all, the program carries on as the only copy.
    virtual bool AnotherCopyHolds(const std::string& name) = 0;
};

// The platform's named mutex (Windows); an in-process table elsewhere.
std::unique_ptr<SingleInstance> MakeSingleInstance();

}  // namespace vidudi::platform

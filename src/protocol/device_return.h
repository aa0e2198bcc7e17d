#pragma once
// After a change the device restarts its network side; we search until it is listed again.
#include <functional>

namespace vidudi {

constexpr int kReturnPassPause = 1000;
// A device that switched address or took a DHCP lease is back within a few passes; one that
// never comes back must not hold the caller for ever. 30 passes is about a minute with one
// local address.
constexpr int kMaxReturnPasses = 30;

// Searches, then pauses a second, until an entry named `name` is listed at `address`, for at
// most maxPasses passes. afterSearch runs after every search (the window refills its list
// there). True when the device was found.
bool WaitUntilListed(const char* name, const char* address, int maxPasses,
                     const std::function<void()>& afterSearch = {});

}  // namespace vidudi

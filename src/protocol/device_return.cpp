#include "protocol/device_return.h"

#include <cstring>

#include "protocol/device_table.h"
#include "protocol/discovery.h"
#include "protocol/network.h"

namespace vidudi {

bool WaitUntilListed(const char* name, const char* address, int maxPasses,
                     const std::function<void()>& afterSearch) {
    for (int pass = 0; pass < maxPasses; ++pass) {
        SearchDevices(kDeviceFilter);
        if (afterSearch) afterSearch();
        const DeviceEntry* entry = FindDeviceEntry(address);
        const bool found = entry && std::strcmp(entry->name, name) == 0;
        Pause(kReturnPassPause);
        if (found) return true;
    }
    return false;
}

}  // namespace vidudi

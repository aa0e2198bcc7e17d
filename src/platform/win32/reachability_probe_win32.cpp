#include <windows.h>
#include <wininet.h>

#include "platform/win32/win32_services.h"

namespace vidudi::platform {

namespace {

class SystemReachabilityProbe final : public ReachabilityProbe {
public:
    bool CanConnect(const std::string& url) override {
        // The force flag makes a real TCP connection to the URL's port instead of answering
        // from the cached state of the network.
        return InternetCheckConnectionA(url.c_str(), FLAG_ICC_FORCE_CONNECTION, 0) != FALSE;
    }
};

}  // namespace

ReachabilityProbe& Win32ReachabilityProbe() {
    static SystemReachabilityProbe probe;
    return probe;
}

}  // namespace vidudi::platform

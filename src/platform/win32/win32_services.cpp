#include "platform/win32/win32_services.h"

namespace vidudi::platform {

Services Win32Services() {
    return Services{&Win32VersionSource(), &Win32NetworkConnections(), &Win32DriveTypes(), &Win32TextConversion(),
                    &Win32UserNames(), &Win32ReachabilityProbe(), &Win32Registry(), &Win32CommandLauncher(),
                    nullptr /* shares go to drive letters */, &Win32ProgramFiles(), &Win32Firewall()};
}

}  // namespace vidudi::platform

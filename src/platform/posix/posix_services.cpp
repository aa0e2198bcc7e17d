#include "platform/posix/posix_services.h"

namespace vidudi::platform {

Services PosixServices() {
    return Services{.reachability = &PosixReachabilityProbe(), .launcher = &PosixCommandLauncher()};
}

}  // namespace vidudi::platform

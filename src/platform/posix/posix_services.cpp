#include "platform/posix/posix_services.h"

namespace vidudi::platform {

Services PosixServices() {
    return Services{.version = &PosixVersionSource(),
                    .text = &PosixTextConversion(),
                    .users = &PosixUserNames(),
                    .reachability = &PosixReachabilityProbe(),
                    .launcher = &PosixCommandLauncher(),
                    .mounts = &GvfsShareMounts()};
}

}  // namespace vidudi::platform

#pragma once
// The Windows services the program uses, reachable from one place. The program installs the
// real ones at start-up and tests install fakes; a service nobody installed is a null one that
// fails every call (no version, no user, no connections, unknown drive types, ASCII only, no
// device reachable, no registry values, nothing started, shares on drive letters, no firewall).
#include "platform/command_launcher.h"
#include "platform/drive_types.h"
#include "platform/firewall.h"
#include "platform/network_connections.h"
#include "platform/program_files.h"
#include "platform/reachability_probe.h"
#include "platform/registry.h"
#include "platform/share_mounts.h"
#include "platform/text_conversion.h"
#include "platform/user_names.h"
#include "platform/version_source.h"

namespace vidudi::platform {

// Not owned: each service outlives its use.
struct Services {
    VersionSource* version = nullptr;
    NetworkConnections* connections = nullptr;
    DriveTypes* driveTypes = nullptr;
    TextConversion* text = nullptr;
    UserNames* users = nullptr;
    ReachabilityProbe* reachability = nullptr;
    Registry* registry = nullptr;
    CommandLauncher* launcher = nullptr;
    ShareMounts* mounts = nullptr;
    ProgramFiles* files = nullptr;
    Firewall* firewall = nullptr;
};

// Members left null get the null service.
void UseServices(const Services& services);
// Every member is set.
const Services& CurrentServices();

}  // namespace vidudi::platform

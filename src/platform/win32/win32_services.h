#pragma once
// The real Windows services, for the program's start-up: UseServices(Win32Services()).
#include "platform/services.h"

namespace vidudi::platform {

VersionSource& Win32VersionSource();
UserNames& Win32UserNames();
TextConversion& Win32TextConversion();
NetworkConnections& Win32NetworkConnections();
DriveTypes& Win32DriveTypes();
ReachabilityProbe& Win32ReachabilityProbe();
Registry& Win32Registry();
CommandLauncher& Win32CommandLauncher();
ProgramFiles& Win32ProgramFiles();
Firewall& Win32Firewall();

Services Win32Services();

}  // namespace vidudi::platform

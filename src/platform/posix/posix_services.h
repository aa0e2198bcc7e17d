#pragma once
// The services the Linux command line needs: the reachability probe and opening a web address.
// UseServices(PosixServices()); the rest stay null.
#include "platform/services.h"

namespace vidudi::platform {

// TCP connection to the URL's host and port, for at most kPosixProbeTimeoutMs.
ReachabilityProbe& PosixReachabilityProbe();
// OpenUrl runs xdg-open, or the program named by VIDUDI_BROWSER, without a shell. There are no
// Windows command lines here: WinExec starts nothing and answers kWinExecNoResources.
CommandLauncher& PosixCommandLauncher();

// The time the window's check gives a probe, used here as the connection's own time limit.
constexpr int kPosixProbeTimeoutMs = 2000;

Services PosixServices();

}  // namespace vidudi::platform

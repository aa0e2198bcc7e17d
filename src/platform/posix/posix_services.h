#pragma once
// The Linux services: what the command line needs (the reachability probe, opening a web
// address) and what the window needs besides (single instance, user, text, version, shares
// mounted through GVfs). UseServices(PosixServices()); drive letters, their types and the
// registry stay null: Linux has none of them.
#include <memory>

#include "platform/services.h"
#include "platform/single_instance.h"

namespace vidudi::platform {

// TCP connection to the URL's host and port, for at most kPosixProbeTimeoutMs.
ReachabilityProbe& PosixReachabilityProbe();
// OpenUrl runs xdg-open, or the program named by VIDUDI_BROWSER, without a shell. Of Windows
// command lines only the web page's last resort, "explorer ADDRESS", starts anything (the
// same opener); a command line without a program is not found, every other one answers
// kWinExecNoResources.
CommandLauncher& PosixCommandLauncher();
// The user of the process's effective id, from the password database.
UserNames& PosixUserNames();
// UTF-8 stays UTF-8, within the bounds of the conversion.
TextConversion& PosixTextConversion();
// The NT family's record (Windows XP): the window's version-dependent paths take the NT way.
VersionSource& PosixVersionSource();
// Shares through GVfs: "gio mount", "gio mount --unmount", the mounts from GVfs's folder in
// $XDG_RUNTIME_DIR, and the file manager through xdg-open.
ShareMounts& GvfsShareMounts();

// A lock on "$XDG_RUNTIME_DIR/NAME.lock" (or "/tmp/UID-NAME.lock" without a runtime folder),
// held until the process ends.
std::unique_ptr<SingleInstance> MakeLockFileInstance();

// The time the window's check gives a probe, used here as the connection's own time limit.
constexpr int kPosixProbeTimeoutMs = 2000;

Services PosixServices();

}  // namespace vidudi::platform

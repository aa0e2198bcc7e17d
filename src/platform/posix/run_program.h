#pragma once
// Starting a helper program of the desktop (xdg-open, gio) the way the Linux services do: by
// its argument vector, never through a shell.
#include <string>
#include <vector>

namespace vidudi::platform {

// Runs argv[0] (looked up in PATH) with `input` on its standard input and its output thrown
// away, and waits for it for at most `timeoutMs` (a program that takes longer is killed).
// Returns its exit status; -1 when it could not start, was killed, or ran out of time.
int RunProgram(const std::vector<std::string>& argv, const std::string& input, int timeoutMs);

}  // namespace vidudi::platform

#pragma once
// Ctrl+C (and, on Linux, TERM and HUP) as a request to end a long-running command cleanly:
// the exchange under way ends at its next poll, and the command sees the request and stops.

namespace vidudi::cli {

// From now on, an interruption ends the exchanges and is remembered.
void EndCleanlyOnInterrupt();
bool Interrupted();

}  // namespace vidudi::cli

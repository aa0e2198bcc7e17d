#pragma once
// --verbose: one line on standard error for every datagram a command reads, and what was done
// with it. Only the header fields are shown, never a payload, so no password reaches a trace.
#include <string>

#include "protocol/network.h"
#include "protocol/packet.h"

namespace vidudi::cli {

// "read on LOCAL: op N from SENDER, LENGTH bytes: accepted" or "...: skipped (reason)".
std::string TraceLine(const char* localAddress, const std::string& sender, const Datagram& datagram,
                      DatagramFate fate);

// From now on, every datagram read is traced to standard error.
void TraceEveryDatagram();

}  // namespace vidudi::cli

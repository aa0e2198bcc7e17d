#pragma once
// The real network of the platform the program was built for: Windows Sockets on Windows,
// the POSIX socket interface on Linux.
#include <memory>

#include "protocol/transport.h"

namespace vidudi {

std::unique_ptr<Transport> MakeSystemTransport();

}  // namespace vidudi

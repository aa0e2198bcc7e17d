#pragma once
// The emulator's configuration file: an INI text with one [device] section per adapter.
//
//   [device]
//   name = NAS-1
//   address = 10.77.1.10
//   identity = 00:11:22:33:44:55
//   reply-form = 7
//   type-codes = 3 10
//   shares = Public:Media
//
// Lines starting with '#' or ';' are comments. A value is the text after '=' with the
// surrounding blanks removed.
#include <string>
#include <vector>

#include "device_model.h"

namespace nasemu {

struct EmulatorConfig {
    std::vector<DeviceConfig> devices;
};

// Parses the text of a configuration file. On the first bad line returns false and sets error
// to "<sourceName>:<line>: <message>".
bool ParseEmulatorConfig(const std::string& text, const std::string& sourceName,
                         EmulatorConfig& config, std::string& error);

// Reads and parses a file; an unreadable file is an error too.
bool LoadEmulatorConfig(const std::string& path, EmulatorConfig& config, std::string& error);

// Prefix length of a dotted netmask ("255.255.255.0" gives 24); -1 when it is not a netmask.
int NetmaskPrefixLength(const std::string& netmask);

}  // namespace nasemu

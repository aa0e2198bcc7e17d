#pragma once
// The device table as the command line shows it: an aligned table for people, JSON for scripts.
#include <string>

#include <nlohmann/json.hpp>

#include "protocol/device_table.h"

namespace vidudi::cli {

// Keys stay in the order they are written.
using Json = nlohmann::ordered_json;

// The local address the adapter answered on ("" when its iface is not in the table).
const char* LocalAddressOf(const DeviceEntry& entry);
// Its identity (the first six identity bytes) as 12 lower-case hex digits: what tells adapters
// apart when their names and addresses change.
std::string IdentityHex(const DeviceEntry& entry);
Json DeviceJson(const DeviceEntry& entry);
// One line of JSON. Adapters send names in any bytes: text that is not valid UTF-8 is written
// with U+FFFD in place of the bad bytes, never dropped.
std::string JsonLine(const Json& value);
// Text from the network as a terminal may show it: every control character and DEL becomes
// \xHH, so that a name cannot move the cursor, forge a row or drive the terminal.
std::string TerminalText(const std::string& text);
std::string FormatDeviceTable();
std::string FormatDeviceJson();
// RFC 4180: a header line, then one record per device, CRLF after each; a field with a comma,
// quote, CR or LF is quoted, its quotes doubled. Bytes that are not UTF-8 become U+FFFD, as in
// JSON, so that the file reads as UTF-8.
std::string FormatDeviceCsv();

}  // namespace vidudi::cli

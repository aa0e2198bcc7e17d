#pragma once
// The device table as the command line shows it: an aligned table for people, JSON for scripts.
#include <string>

#include "protocol/device_table.h"

namespace vidudi::cli {

std::string DeviceJson(const DeviceEntry& entry);
std::string FormatDeviceTable();
std::string FormatDeviceJson();
// A JSON string literal; bytes that are not valid UTF-8 come out as \u00XX.
std::string JsonString(const std::string& text);

}  // namespace vidudi::cli

#pragma once
// What the status line says while the window talks to the devices.
#include <string>

namespace vidudi::config {

// A device as the status line names it: its name, or its address when the name is empty.
std::string DeviceLabel(const std::string& name, const std::string& address);
// The chosen device, which a login check, a setting and the reloads after it go to.
std::string SelectedDeviceLabel();

std::string SearchingStatus(int networks);
std::string ReadingStatus(const std::string& device);     // the settings of a clicked device
std::string AnsweringStatus(const std::string& device);   // a login check or a setting
std::string ReturningStatus(const std::string& device, int search, int searches);
std::string ReachableStatus(const std::string& device);   // Map Drive and Configuration

}  // namespace vidudi::config

#pragma once
// What the status line says while the window talks to the devices.
#include <optional>
#include <string>

#include "toolkit/dialog_window.h"

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

// Runs one request of the catalogue to the chosen device as an exchange ("Waiting for NAME to
// answer..."). Its result, or none when the window was closed meanwhile.
std::optional<int> AskSelectedDevice(toolkit::DialogWindow& window, int (*request)());

}  // namespace vidudi::config

#include "config/exchange_status.h"

#include "drives/selection.h"
#include "protocol/request_buffers.h"

namespace vidudi::config {

std::string DeviceLabel(const std::string& name, const std::string& address) {
    return name.empty() ? address : name;
}

std::string SelectedDeviceLabel() { return DeviceLabel(g_strSelectedName, g_szTargetIP); }

std::string SearchingStatus(int networks) {
    return "Searching for devices on " + std::to_string(networks) + (networks == 1 ? " network..." : " networks...");
}

std::string ReadingStatus(const std::string& device) { return "Reading the settings of " + device + "..."; }

std::string AnsweringStatus(const std::string& device) { return "Waiting for " + device + " to answer..."; }

std::string ReturningStatus(const std::string& device, int search, int searches) {
    return "Waiting for " + device + " to return (search " + std::to_string(search) + " of " +
           std::to_string(searches) + ")...";
}

std::string ReachableStatus(const std::string& device) { return "Checking that " + device + " is reachable..."; }

std::optional<int> AskSelectedDevice(toolkit::DialogWindow& window, int (*request)()) {
    int result = 0;
    if (!window.RunExchange(AnsweringStatus(SelectedDeviceLabel()), [&result, request] { result = request(); })) {
        return std::nullopt;
    }
    return result;
}

}  // namespace vidudi::config

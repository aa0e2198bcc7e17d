#pragma once
// vidudi doctor: why an adapter is missing. One search with every datagram counted, the
// sockets of each local address, the firewall, and when nothing answered, the likeliest causes.
#include <string>
#include <vector>

#include "device_table_output.h"

namespace vidudi::cli {

struct Finding {
    std::string name;          // what was found, for scripts: "port-in-use", "outside-subnet", ...
    std::string localAddress;  // the local address it is about; "" for the computer
    bool problem = false;      // something wrong, rather than how things stand
    std::string text;          // one line for people
    Json details = Json::object();
};

// Runs the search and reads the firewall; the network must be up.
std::vector<Finding> Diagnose();

std::string FormatFindings(const std::vector<Finding>& findings, bool json);

}  // namespace vidudi::cli

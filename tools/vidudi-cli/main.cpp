// vidudi: the command-line front end over the adapters' protocol.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device_table_output.h"
#include "protocol/device_table.h"
#include "protocol/discovery.h"
#include "protocol/network.h"
#include "protocol/system_transport.h"

namespace {

using namespace vidudi;

// Exit statuses, as documented in --help.
enum ExitStatus {
    kExitOk = 0,
    kExitUsage = 2,
    kExitNetwork = 3,
};

const char kUsage[] =
    "Usage: vidudi [--help] <command> [options]\n"
    "\n"
    "Finds the Norvane network-storage adapters on every LAN of this computer.\n"
    "\n"
    "Commands:\n"
    "  list [--json]    search every local address and print the adapters found\n"
    "\n"
    "Exit status:\n"
    "  0  the search ran (with or without adapters found)\n"
    "  2  bad command line\n"
    "  3  the network layer could not be started\n";

const char kListUsage[] =
    "Usage: vidudi list [--json]\n"
    "\n"
    "Searches every local IPv4 address for adapters (about one second per address) and prints\n"
    "name, address, netmask, gateway, DHCP state and the local address each one answered on.\n"
    "\n"
    "  --json    print {\"devices\":[...]} instead of a table\n";

int Usage(const char* text, int status) {
    std::fputs(text, status == kExitOk ? stdout : stderr);
    return status;
}

int ListDevices(const std::vector<std::string>& args) {
    bool json = false;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
        } else if (arg == "--help" || arg == "-h") {
            return Usage(kListUsage, kExitOk);
        } else {
            std::fprintf(stderr, "vidudi list: unknown option '%s'\n\n", arg.c_str());
            return Usage(kListUsage, kExitUsage);
        }
    }

    std::unique_ptr<Transport> transport = MakeSystemTransport();
    UseTransport(transport.get());
    if (!StartNetwork()) {
        std::fputs("vidudi: the network layer could not be started\n", stderr);
        return kExitNetwork;
    }
    SearchDevices(kDeviceFilter);
    const std::string out = json ? cli::FormatDeviceJson() : cli::FormatDeviceTable();
    std::fputs(out.c_str(), stdout);
    if (!json && DeviceList.count == 0) {
        std::fprintf(stderr, "No adapters answered on %d local address%s.\n", g_nLocalAddressCount,
                     g_nLocalAddressCount == 1 ? "" : "es");
    }
    FreeDeviceList();
    StopNetwork();
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return Usage(kUsage, kExitUsage);
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") return Usage(kUsage, kExitOk);
    if (command == "list") return ListDevices(args);
    std::fprintf(stderr, "vidudi: unknown command '%s'\n\n", command.c_str());
    return Usage(kUsage, kExitUsage);
}

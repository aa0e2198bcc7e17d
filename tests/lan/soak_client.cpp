// soak_client SEARCHES: one long-lived client of the protocol library on the real network, as a
// window that is refreshed and clicked for hours. Each round brings the network up afresh (as
// Refresh does), searches, and asks the first adapter listed for its work group or its shares,
// in turn. It prints its open descriptors and resident memory after the first round, after 10 %
// of the rounds and at the end, then how many rounds found an adapter and got their answer:
//   at=ROUND fds=N rss_kib=N
//   rounds=N found=N answered=N
// Only inside a virtual LAN of the lan tests.
#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "protocol/device_table.h"
#include "protocol/discovery.h"
#include "protocol/network.h"
#include "protocol/request_buffers.h"
#include "protocol/requests.h"
#include "protocol/system_transport.h"

namespace {

int OpenDescriptors() {
    int count = 0;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (const dirent* entry = readdir(folder)) count += entry->d_name[0] != '.';
        closedir(folder);
        --count;  // the folder's own descriptor
    }
    return count;
}

long ResidentKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vidudi;
    const long rounds = argc == 2 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (rounds < 10) {
        std::fprintf(stderr, "usage: soak_client SEARCHES (at least 10)\n");
        return 2;
    }
    std::unique_ptr<Transport> transport = MakeSystemTransport();
    UseTransport(transport.get());
    long found = 0, answered = 0;
    for (long round = 1; round <= rounds; ++round) {
        StopNetwork();
        FreeDeviceList();
        if (!StartNetwork()) {
            std::fprintf(stderr, "soak_client: the network layer could not be started\n");
            return 4;
        }
        SearchDevices(kDeviceFilter);
        if (DeviceList.head) {
            ++found;
            CopyText(g_szTargetIP, DeviceList.head->address);
            answered += round % 2 ? GetWorkGroup() : GetShareList();
        }
        if (round == 1 || round == rounds / 10 || round == rounds) {
            std::printf("at=%ld fds=%d rss_kib=%ld\n", round, OpenDescriptors(), ResidentKib());
            std::fflush(stdout);
        }
    }
    StopNetwork();
    FreeDeviceList();
    FreeShareList();
    UseTransport(nullptr);
    std::printf("rounds=%ld found=%ld answered=%ld\n", rounds, found, answered);
    return found == rounds && answered == rounds ? 0 : 1;
}

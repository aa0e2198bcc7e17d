// Latency of each query against an emulated adapter over real sockets, and the CPU that a
// failing 11-second wait costs. Run inside the virtual LAN by query_bench.sh.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <vector>

#include "protocol/device_table.h"
#include "protocol/discovery.h"
#include "protocol/network.h"
#include "protocol/request_buffers.h"
#include "protocol/requests.h"
#include "protocol/system_transport.h"

namespace {

using namespace vidudi;
using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Median latency of `calls` runs of an operation that must succeed; -1 when one fails.
double MedianMs(int (*operation)(), int calls) {
    std::vector<double> samples;
    for (int n = 0; n < calls; ++n) {
        const auto start = Clock::now();
        if (!operation()) return -1;
        samples.push_back(Milliseconds(Clock::now() - start));
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: query_bench DEVICE-ADDRESS CALLS\n");
        return 2;
    }
    const int calls = std::atoi(argv[2]);
    auto transport = MakeSystemTransport();
    UseTransport(transport.get());
    if (!StartNetwork()) return 4;
    SearchDevices(kDeviceFilter);
    CopyText(g_szTargetIP, argv[1]);
    if (!FindDeviceByAddress(g_szTargetIP)) {
        std::fprintf(stderr, "query_bench: %s not found\n", argv[1]);
        return 3;
    }
    CopyText(g_szLoginUser, "admin");
    // Nominal: one round trip; the flush of an empty socket costs nothing.
    struct Row {
        const char* name;
        int (*operation)();
        int nominalMs;
    } rows[] = {{"VerifyAdminPassword", VerifyAdminPassword, 0},
                {"GetWorkGroup", GetWorkGroup, 0},
                {"GetShareList", GetShareList, 0}};
    for (const Row& row : rows) {
        const double median = MedianMs(row.operation, calls);
        std::printf("query %s median_ms=%.2f nominal_ms=%d calls=%d\n", row.name, median, row.nominalMs, calls);
    }

    // A static-address change that is never confirmed: the full 101 counted cycles.
    FindDeviceEntry(g_szTargetIP)->id[9] ^= 0xFF;  // no adapter answers to this id
    CopyText(g_szNewIP, "10.77.1.200");
    const double cpuBefore = CpuSeconds();
    const auto start = Clock::now();
    const int result = SetStaticAddress();
    const double wall = Milliseconds(Clock::now() - start) / 1000.0;
    const double cpu = CpuSeconds() - cpuBefore;
    std::printf("failing-wait result=%d wall_s=%.3f cpu_s=%.4f cpu_share=%.4f\n", result, wall, cpu, cpu / wall);
    StopNetwork();
    return 0;
}

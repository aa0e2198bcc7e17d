#include "drives/reachability.h"

#include <exception>
#include <thread>

#include "platform/services.h"

namespace vidudi {

std::atomic<int> g_nAvailability{0};

namespace {
WorkerStarter g_starter;
}  // namespace

unsigned DeviceProbeThread(const std::string& address) {
    const bool reachable = platform::CurrentServices().reachability->CanConnect("http://" + address);
    g_nAvailability = reachable ? 1 : -1;
    return 0;
}

void UseWorkerStarter(WorkerStarter starter) { g_starter = std::move(starter); }

void StartDeviceProbe(const std::string& address) {
    auto work = [address] { DeviceProbeThread(address); };
    try {
        if (g_starter) {
            g_starter(work);
        } else {
            std::thread(work).detach();  // never joined: a late verdict waits in the slot for the next check
        }
    } catch (const std::exception&) {
        // No thread (system_error) or no memory for its state: no probe will ever answer, so
        // the device counts as not reachable, as a silent one does, instead of ending the program.
        g_nAvailability = -1;
    }
}

bool AwaitProbeVerdict(const std::function<void(int milliseconds)>& pause) {
    for (int waits = 0;; ++waits) {
        const int verdict = g_nAvailability.load();
        if (verdict == 1) {
            g_nAvailability = 0;
            return true;
        }
        if (verdict == -1 || waits == 2) break;
        pause(1000);
    }
    g_nAvailability = 0;
    return false;
}

}  // namespace vidudi

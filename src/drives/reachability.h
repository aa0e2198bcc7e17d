#pragma once
// Does the chosen device still answer? A short-lived worker asks the platform to connect to the
// device's web page; the window's thread reads its verdict.
#include <atomic>
#include <functional>
#include <string>

namespace vidudi {

// The last probe's verdict: 0 none yet, 1 reachable, -1 not. Written by the worker, read and
// reset by the window's thread; atomic, since the two threads share it without a lock.
extern std::atomic<int> g_nAvailability;

// The worker: probes "http://" + address and stores the verdict. Returns 0.
unsigned DeviceProbeThread(const std::string& address);

// Starts DeviceProbeThread on a detached worker; a worker that cannot be started leaves the
// verdict "not reachable". Tests may run workers their own way (at once, later, to play a probe
// that answers late, or not at all).
using WorkerStarter = std::function<void(std::function<void()>)>;
void UseWorkerStarter(WorkerStarter starter);  // nothing: a detached thread
void StartDeviceProbe(const std::string& address);

// Reads the verdict at once, after one pause and after a second one (of 1000 ms each); true when
// the device answered. The verdict is consumed either way.
bool AwaitProbeVerdict(const std::function<void(int milliseconds)>& pause);

}  // namespace vidudi

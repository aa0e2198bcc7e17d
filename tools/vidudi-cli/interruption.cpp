#include "interruption.h"

#include <atomic>

#include "protocol/network.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#endif

namespace vidudi::cli {

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void Interrupt() {
    g_interrupted = true;
    AbandonExchanges();
}

#ifdef _WIN32
// Runs on a thread of its own; TRUE: handled, the process goes on to end by itself.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    Interrupt();
    return TRUE;
}
#else
void OnSignal(int) { Interrupt(); }
#endif

}  // namespace

void EndCleanlyOnInterrupt() {
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    struct sigaction handler {};
    handler.sa_handler = OnSignal;
    sigemptyset(&handler.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &handler, nullptr);
#endif
}

bool Interrupted() { return g_interrupted; }

}  // namespace vidudi::cli

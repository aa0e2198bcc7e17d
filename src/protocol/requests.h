#pragma once
// The request catalogue: one synchronous operation per query or setting. Each reads its
// parameters from the request buffers, addresses the device whose address is g_szTargetIP,
// and returns 1 for success and 0 for failure (the password check returns the verdict).

#include <cstdint>

namespace vidudi {

// A request waits for its reply for `cycles` wait cycles of the protocol: a 10 ms poll each,
// with 100 ms between them; 11 cycles are 1.11 s after the send, 21 are 2.21 s, 101 are 11.01 s.
constexpr int kRequestCyclePause = 100;
constexpr int kRequestPoll = 10;
constexpr std::int64_t RequestWaitMicros(int cycles) {
    return (cycles * kRequestPoll + (cycles - 1) * kRequestCyclePause) * 1000LL;
}

int VerifyAdminPassword();
int GetShareList();
int GetWorkGroup();
int SetStaticAddress();
int EnableDhcp();
int SetHostName();
int SetWorkGroup();

// Where trace lines ("workgroup=...") go; none by default.
using TraceSink = void (*)(const char* line);
void SetTraceSink(TraceSink sink);

}  // namespace vidudi

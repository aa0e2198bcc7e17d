#pragma once
// The request catalogue: one synchronous operation per query or setting. Each reads its
// parameters from the request buffers, addresses the device whose address is g_szTargetIP,
// and returns 1 for success and 0 for failure (the password check returns the verdict).

namespace vidudi {

constexpr int kRequestCyclePause = 100;
// Datagrams of other kinds and failed reads do not use up a wait; past this many per counted
// cycle allowed, they do, so that a flood cannot stretch a wait without bound.
constexpr int kUncountedPerCycle = 32;

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

#pragma once
// The transport state of the protocol: local addresses, the instance tag, and the send, poll,
// read and flush primitives over the current Transport backend.
#include <cstddef>
#include <cstdint>

#include "protocol/transport.h"

namespace vidudi {

constexpr int kMaxLocalAddresses = 8;
constexpr int kPollMilliseconds = 10;

extern char LocalAddressTable[kMaxLocalAddresses][16];
extern std::int32_t g_nLocalAddressCount;
extern std::uint8_t ClientTag[10];

// The backend every later call goes through. The program sets it once at start-up; tests set
// a simulated LAN. Not owned.
void UseTransport(Transport* transport);
Transport& CurrentTransport();

// Socket library up, local addresses, a fresh ClientTag, one send and one receive socket per
// address. Returns false when the socket library cannot start (nothing else is set up then).
bool StartNetwork();
void StopNetwork();
void EnumerateLocalAddresses();
bool IsNetworkUp();

void SendOnAddress(int i, const std::uint8_t* data, std::size_t length);
bool PollAddress(int i);
// Reads one datagram into a buffer of kReceiveBufferSize bytes and places a NUL after it.
// Returns its length, or -1 for a failed read.
int ReadOnAddress(int i, std::uint8_t* buffer);
void FlushAddress(int i, int count);
void Pause(int milliseconds);

// The window is closing while an exchange runs on another thread: from now on every poll finds
// nothing and every pause ends at once, so the exchange runs out within one poll. Any thread
// may call it; StartNetwork clears it.
void AbandonExchanges();
bool ExchangesAbandoned();

}  // namespace vidudi

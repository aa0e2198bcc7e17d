#pragma once
// The transport state of the protocol: local addresses, the instance tag, sending, and the one
// wait loop that every exchange reads its replies through.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "protocol/packet.h"
#include "protocol/transport.h"

namespace vidudi {

// One bit per address in an AddressSet.
constexpr int kMaxLocalAddresses = 32;
static_assert(kMaxLocalAddresses <= 8 * sizeof(AddressSet));

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

// Ends every wait at its next poll, as if nothing more arrived, and every later one at once,
// until the next StartNetwork. Safe from any thread: the window calls it when it closes during
// an exchange.
void AbandonExchanges();
bool ExchangesAbandoned();

AddressSet AllLocalAddresses();
inline AddressSet OneAddress(int i) { return AddressSet{1} << i; }

void SendOnAddress(int i, const std::uint8_t* data, std::size_t length);
std::int64_t NowMicros();
void Pause(int milliseconds);

// Sees one datagram received on address i (a NUL follows its last byte); returns true to end
// the wait.
using DatagramHandler = std::function<bool(int i, const Datagram& datagram)>;

struct Wait {
    AddressSet addresses = 0;
    std::int64_t deadlineMicros = 0;  // on NowMicros' clock
    // End as soon as nothing is queued instead of waiting for the deadline (a flush).
    bool endWhenIdle = false;
};

// The one wait loop. Returns true when the handler ended the wait.
bool WaitForDatagrams(const Wait& wait, const DatagramHandler& handler);

// Reads and drops what is already queued on the addresses, without waiting for more.
void FlushAddresses(AddressSet addresses);
// Reads and drops everything that reaches address i for the time of `cycles` idle polls
// (10 ms each): a reply still on its way is taken out too. Other traffic neither shortens nor
// stretches it.
void FlushCycles(int i, int cycles);

}  // namespace vidudi

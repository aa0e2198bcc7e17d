#pragma once
// The transport state of the protocol: local addresses, the instance tag, sending, and the one
// wait loop that every exchange reads its replies through.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

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

// What an exchange made of one datagram it read. A handler says so with JudgeDatagram before
// it returns; a datagram it does not judge was dropped unexamined (as a flush drops them).
enum class DatagramFate : std::uint8_t {
    Discarded,
    Accepted,
    Repeated,       // an announcement from an address already heard in this search
    OtherOp,        // not the kind of datagram the exchange waits for
    OtherInstance,  // another instance's tag
    Malformed,      // too short for the fields its kind has
    NotStorage,     // an extended announcement whose type codes the filter refuses
    OtherSender,    // the awaited kind, but from another address than the awaited one
};
void JudgeDatagram(DatagramFate fate);

// Sees every datagram an exchange reads, after the exchange has judged it: the local address
// index, the sender ("" when unknown), the datagram and its fate. For traces and diagnosis;
// none by default. Returns the observer it replaces, for a caller that passes datagrams on to
// it and puts it back afterwards.
using DatagramObserver =
    std::function<void(int i, const std::string& sender, const Datagram& datagram, DatagramFate fate)>;
DatagramObserver ObserveDatagrams(DatagramObserver observer);

// The one wait loop. Returns true when the handler ended the wait.
bool WaitForDatagrams(const Wait& wait, const DatagramHandler& handler);

// Reads and drops what is already queued on the addresses, without waiting for more.
void FlushAddresses(AddressSet addresses);
// Reads and drops everything that reaches address i for the time of `cycles` idle polls
// (10 ms each): a reply still on its way is taken out too. Other traffic neither shortens nor
// stretches it.
void FlushCycles(int i, int cycles);

}  // namespace vidudi

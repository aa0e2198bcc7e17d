#pragma once
// What every command of the command line shares: exit statuses, messages, the network for the
// length of a command, choosing the adapter it is about, and the administrator login.
#include <memory>
#include <string>
#include <vector>

#include "protocol/device_table.h"
#include "protocol/transport.h"

namespace vidudi::cli {

// Exit statuses, as documented in --help.
enum ExitStatus {
    kExitOk = 0,
    kExitFailed = 1,     // refused, or the adapter did not answer
    kExitBadInput = 2,   // bad command line or input that breaks the rules
    kExitNotFound = 3,   // no such adapter
    kExitNetwork = 4,    // the network layer could not be started
};

// "<program>: <text>" on standard error; returns status.
int Fail(int status, const std::string& text);

// --interface: every later session uses only this local address ("" for all of them).
void LimitToInterface(const std::string& address);

// Brings the network up for one command and takes it down again.
class NetworkSession {
public:
    NetworkSession();
    ~NetworkSession();
    NetworkSession(const NetworkSession&) = delete;
    NetworkSession& operator=(const NetworkSession&) = delete;
    // kExitOk, or the status to end with (message printed): no network layer, or an
    // --interface address that is not one of this computer's.
    int Start();

private:
    std::unique_ptr<Transport> transport_;
};

// Searches, then points g_szTargetIP at the adapter given by address, or by name when only one
// adapter has it. Returns kExitOk with *chosen set, or the status to end with (message printed).
int ChooseDevice(const std::string& which, const DeviceEntry** chosen);

// The environment variable that holds the administrator password for scripts.
constexpr char kPasswordVariable[] = "VIDUDI_PASSWORD";

// "admin" with an empty password first; only when the adapter refuses is a password taken
// (VIDUDI_PASSWORD, else read once a run), and tried once. Returns kExitOk when logged in, else the status to end with (message printed).
int LoginAsAdministrator(const DeviceEntry& device);

// "NAME (ADDRESS)" for messages.
std::string Describe(const DeviceEntry& device);

}  // namespace vidudi::cli

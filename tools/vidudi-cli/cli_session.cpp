#include "cli_session.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "device_table_output.h"
#include "password_prompt.h"
#include "protocol/discovery.h"
#include "protocol/network.h"
#include "protocol/request_buffers.h"
#include "protocol/requests.h"
#include "protocol/system_transport.h"

namespace vidudi::cli {

int Fail(int status, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", VIDUDI_CLI_PROGRAM, text.c_str());
    return status;
}

std::string Describe(const DeviceEntry& device) {
    return TerminalText(device.name) + " (" + device.address + ")";
}

namespace {

std::string g_interface;

// The system's network seen through one of its local addresses: a search and every request
// then go out of that address alone, and only its replies are read.
class OneAddressTransport : public Transport {
public:
    OneAddressTransport(std::unique_ptr<Transport> system, std::string address)
        : system_(std::move(system)), address_(std::move(address)) {}

    std::vector<std::string> ListLocalAddresses() override {
        std::vector<std::string> kept;
        for (const std::string& address : system_->ListLocalAddresses()) {
            if (address == address_) kept.push_back(address);
        }
        return kept;
    }
    std::vector<std::string> AllAddresses() { return system_->ListLocalAddresses(); }

    bool Startup() override { return system_->Startup(); }
    void Cleanup() override { system_->Cleanup(); }
    void FillRandom(std::uint8_t* out, std::size_t count) override { system_->FillRandom(out, count); }
    void OpenSendSocket(int i, const char* local) override { system_->OpenSendSocket(i, local); }
    void OpenReceiveSocket(int i, const char* local) override { system_->OpenReceiveSocket(i, local); }
    void CloseSockets(int i) override { system_->CloseSockets(i); }
    void Send(int i, const std::uint8_t* data, std::size_t length) override { system_->Send(i, data, length); }
    AddressSet Poll(AddressSet addresses, std::int64_t timeoutMicros) override {
        return system_->Poll(addresses, timeoutMicros);
    }
    int Receive(int i, std::uint8_t* buffer, std::size_t capacity) override {
        return system_->Receive(i, buffer, capacity);
    }
    std::string SenderOfLastRead(int i) override { return system_->SenderOfLastRead(i); }
    SocketHealth HealthOf(int i) override { return system_->HealthOf(i); }
    std::int64_t NowMicros() override { return system_->NowMicros(); }
    void Sleep(int milliseconds) override { system_->Sleep(milliseconds); }

private:
    std::unique_ptr<Transport> system_;
    std::string address_;
};

std::unique_ptr<Transport> MakeTransport() {
    if (g_interface.empty()) return MakeSystemTransport();
    return std::make_unique<OneAddressTransport>(MakeSystemTransport(), g_interface);
}

}  // namespace

void LimitToInterface(const std::string& address) { g_interface = address; }

NetworkSession::NetworkSession() : transport_(MakeTransport()) { UseTransport(transport_.get()); }

NetworkSession::~NetworkSession() {
    FreeDeviceList();
    FreeShareList();
    StopNetwork();
    UseTransport(nullptr);
}

int NetworkSession::Start() {
    if (!StartNetwork()) return Fail(kExitNetwork, "the network layer could not be started");
    if (g_interface.empty() || g_nLocalAddressCount > 0) return kExitOk;
    std::string addresses;
    for (const std::string& address : static_cast<OneAddressTransport&>(*transport_).AllAddresses()) {
        addresses += (addresses.empty() ? "" : ", ") + address;
    }
    return Fail(kExitBadInput, g_interface + " is not an address of this computer (its addresses: " +
                                   (addresses.empty() ? "none" : addresses) + ")");
}

int ChooseDevice(const std::string& which, const DeviceEntry** chosen) {
    SearchDevices(kDeviceFilter);
    const DeviceEntry* byName = nullptr;
    int named = 0;
    for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) {
        if (which == entry->address) {
            *chosen = entry;
            CopyText(g_szTargetIP, entry->address);
            return kExitOk;
        }
        if (which == entry->name) {
            byName = entry;
            ++named;
        }
    }
    if (named > 1) {
        return Fail(kExitBadInput, std::to_string(named) + " adapters are named '" + which +
                                       "'; give the address of the one you mean");
    }
    if (!byName) {
        return Fail(kExitNotFound, "no adapter answered with the address or name '" + which + "'");
    }
    *chosen = byName;
    CopyText(g_szTargetIP, byName->address);
    return kExitOk;
}

namespace {

// The password of the run once it has been asked for (or read from the environment), so that
// a command that logs in to many adapters asks once.
std::optional<std::string> g_password;
bool g_passwordRead = false;

std::optional<std::string> AdministratorPassword(const DeviceEntry& device) {
    if (!g_passwordRead) {
        if (const char* environment = std::getenv(kPasswordVariable)) {
            g_password = environment;
        } else {
            g_password = ReadPassword("Administrator password for " + Describe(device) + ": ");
        }
        g_passwordRead = true;
    }
    return g_password;
}

}  // namespace

int LoginAsAdministrator(const DeviceEntry& device) {
    CopyText(g_szLoginUser, "admin");
    CopyText(g_szLoginPassword, "");
    if (VerifyAdminPassword()) return kExitOk;

    // Like the login dialog: the user name stays "admin", the password holds 16 characters,
    // and without an answer the second attempt goes out with the empty password.
    const auto password = AdministratorPassword(device);
    if (password && password->size() > sizeof g_szLoginPassword - 1) {
        return Fail(kExitBadInput, "the administrator password has at most 16 characters");
    }
    CopyText(g_szLoginPassword, password ? password->c_str() : "");
    const bool accepted = VerifyAdminPassword() != 0;
    CopyText(g_szLoginPassword, "");
    if (accepted) return kExitOk;
    return Fail(kExitFailed, "Wrong administrator password input!");
}

}  // namespace vidudi::cli

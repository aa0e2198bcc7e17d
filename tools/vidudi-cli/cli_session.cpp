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

NetworkSession::NetworkSession() : transport_(MakeSystemTransport()) { UseTransport(transport_.get()); }

NetworkSession::~NetworkSession() {
    FreeDeviceList();
    FreeShareList();
    StopNetwork();
    UseTransport(nullptr);
}

bool NetworkSession::Start() { return StartNetwork(); }

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

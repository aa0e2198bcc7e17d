#pragma once
// Runs the whole program on the headless dialog layer, the simulated LAN and the fake
// platform, with a test script playing the user.
#include <gtest/gtest.h>

#include <functional>

#include "app/vidudi_app.h"
#include "platform/fake/fake_platform.h"
#include "resource.h"
#include "support/protocol_state.h"
#include "toolkit/headless/headless_toolkit.h"
#include "ui/vidudi_dlg.h"

namespace vidudi::testing {

class ProgramFixture : public ::testing::Test {
protected:
    using Window = toolkit::HeadlessDialog;

    void SetUp() override {
        ResetProtocolState();
        platform::FakeSingleInstance::ReleaseAll();
        UseTransport(&lan);
        toolkit::UseBackend(&ui);
        platform::UseServices(fake.services());
    }
    void TearDown() override {
        toolkit::UseBackend(nullptr);
        platform::UseServices({});
        ResetProtocolState();
    }

    // Runs the program with `user` playing its part in the main window; returns the exit code.
    int RunProgram(const std::function<void(Window&, ui::CVidudiDlg&)>& user) {
        ui.OnModal(IDD_VIDUDI_DIALOG, [&](Window& window) {
            user(window, static_cast<ui::CVidudiDlg&>(window.dialog()));
        });
        platform::FakeSingleInstance instance;
        return app::CVidudiApp(instance).InitInstance();
    }

    // The row of the device list that shows `address`, or -1.
    static int RowOf(Window& window, const std::string& address) {
        for (int row = 0; row < window.ListItemCount(IDC_DEVICE_LIST); ++row) {
            if (window.ListItemText(IDC_DEVICE_LIST, row, 1) == address) return row;
        }
        return -1;
    }

    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : ui.messages()) texts.push_back(message.text);
        return texts;
    }

    // Search requests sent so far; each search sends two copies.
    std::size_t DiscoveryRequests() const {
        std::size_t requests = 0;
        for (const auto& sent : lan.sent()) requests += sent.bytes[0] == kOpDiscovery;
        return requests;
    }
    std::size_t Searches() const { return DiscoveryRequests() / 2; }

    static inline const std::string kSource = VIDUDI_SOURCE_DIR;
    SimulatedLan lan;
    platform::FakePlatform fake;
    toolkit::HeadlessToolkit ui{kSource + "/res/vidudi.rc", kSource + "/res/resource.h", kSource};
};

}  // namespace vidudi::testing

// The win32 dialog layer on real windows under Wine and Xvfb: their state, pixels and messages.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <thread>

#include "support/toolkit_probe.h"
#include "toolkit/win32/win32_toolkit.h"

#include <windows.h>
#include <commctrl.h>

namespace vidudi::toolkit {
namespace {

// Work inside the running modal loop after `ms` ms (0: once the queue holds nothing else).
std::map<UINT_PTR, std::function<void()>> g_timers;

void CALLBACK RunTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    const auto found = g_timers.find(id);
    if (found == g_timers.end()) return;
    auto work = std::move(found->second);
    g_timers.erase(found);
    work();
}

void After(UINT ms, std::function<void()> work) { g_timers[SetTimer(nullptr, 0, ms, RunTimer)] = std::move(work); }

void Soon(std::function<void()> work) { After(0, std::move(work)); }

class Probe : public ProbeDialog {
public:
    HWND hwnd() const { return hwnd_; }
    HWND control(int id) const { return GetDlgItem(hwnd_, id); }

    bool OnInitDialog() override {
        // Found by its controls: the window is not active before it is shown.
        for (HWND candidate = FindWindowA("#32770", nullptr); candidate;
             candidate = FindWindowExA(nullptr, candidate, "#32770", nullptr)) {
            if (GetWindowThreadProcessId(candidate, nullptr) == GetCurrentThreadId() && !IsWindowVisible(candidate) &&
                GetDlgItem(candidate, IDC_EDIT)) {
                hwnd_ = candidate;
            }
        }
        // A probe that hangs fails instead of stopping the run.
        After(15000, [this] {
            ADD_FAILURE() << "the probe dialog did not end";
            if (IsOpen()) EndDialog(-99);
        });
        if (onInit) onInit();
        return true;
    }

private:
    HWND hwnd_ = nullptr;
};

class Win32ToolkitTest : public ::testing::Test {
protected:
    Win32ToolkitTest() : toolkit_(GetModuleHandleA(nullptr)) { UseBackend(&toolkit_); }
    ~Win32ToolkitTest() override {
        for (const auto& timer : g_timers) KillTimer(nullptr, timer.first);
        g_timers.clear();
        UseBackend(nullptr);
    }

    // Runs `probe` with `body` as the first work of its modal loop; returns the dialog's result.
    static int RunSoon(Probe& probe, std::function<void()> body) {
        probe.onInit = [body = std::move(body)] { Soon(body); };
        return probe.DoModal();
    }

    Win32Toolkit toolkit_;
};

// What the window shows at a point of a control (0: the dialog's client area).
Color PixelOf(const Probe& probe, int id, int x, int y) {
    const HWND window = id == 0 ? probe.hwnd() : probe.control(id);
    const HDC dc = GetDC(window);
    const COLORREF pixel = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return {GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)};
}

// Rules of the native controls wine_gui does not see: the first unnamed static, a sorted combo's order, "no such item" as
// none, a long list text kept whole, an address field a user empties no longer counted.
TEST_F(Win32ToolkitTest, ComboListViewAndAddressFieldFollowTheProgramsRules) {
    Probe probe;
    probe.onInit = [&] {
        ExpectFirstUnnamedControlRules(probe.w());
        ExpectSortedComboRules(probe.w());
        ExpectListRules(probe.w());
        ExpectAddressRules(probe.w());
        IpAddressControl address(probe.w(), IDC_ADDRESS);
        address.SetAddress({10, 77, 0, 5});
        HWND last = nullptr;  // the rightmost field
        for (HWND field = GetWindow(probe.control(IDC_ADDRESS), GW_CHILD); field; field = GetWindow(field, GW_HWNDNEXT)) {
            RECT r, l;
            GetWindowRect(field, &r);
            if (!last || (GetWindowRect(last, &l), r.left > l.left)) last = field;
        }
        ASSERT_NE(last, nullptr);
        SetWindowTextA(last, "");
        std::uint8_t octets[4] = {};
        EXPECT_EQ(address.GetAddress(octets), 3);
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

TEST_F(Win32ToolkitTest, AnExchangeRunsOnAWorkerWhileTheWindowAnswersDropsInputAndCanBeClosed) {
    Probe probe;
    int paints = 0;
    bool repainted = false;
    probe.onPaint = [&](PaintContext&) { ++paints; };
    const ExchangeHooks hooks{
        [](int ms, std::function<void()> work) { After(static_cast<UINT>(ms), std::move(work)); },
        [&] {
            const HWND plain = probe.control(IDC_PLAIN);
            PostMessageA(plain, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
            PostMessageA(plain, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
            PostMessageA(probe.control(IDC_EDIT), WM_KEYDOWN, VK_ESCAPE, 0);
            // The window repaints meanwhile.
            InvalidateRect(probe.hwnd(), nullptr, TRUE);
            const int before = paints;
            UpdateWindow(probe.hwnd());
            repainted = paints > before;
        },
        [&] {
            SendMessageA(probe.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(probe.hwnd()),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            return GetCursor() == LoadCursorA(nullptr, IDC_WAIT);
        },
        [&] { PostMessageA(probe.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); }};
    EXPECT_EQ(RunSoon(probe, [&] { RunExchanges(probe, hooks); }), kIdCancel);
    EXPECT_TRUE(repainted);
}

TEST_F(Win32ToolkitTest, PicturesAreDrawnOrTellWhyNot) {
    const PictureFiles files;
    Probe probe;
    std::vector<PictureOutcome> outcomes;
    probe.onPaint = [&](PaintContext& paint) { outcomes = files.DrawAll(paint); };
    EXPECT_EQ(RunSoon(probe, [&] {
        RECT client;
        GetClientRect(probe.hwnd(), &client);
        ExpectPicturesDrawn(probe.w(), files, outcomes, {client.right, client.bottom},
                            [&](int id, int x, int y) { return PixelOf(probe, id, x, y); });
        // The drawing validated the button, so no pending paint of its own wipes it.
        EXPECT_FALSE(GetUpdateRect(probe.control(IDC_SKINNED), nullptr, FALSE));
        probe.EndDialog(kIdOk);
    }), kIdOk);
}

}  // namespace
}  // namespace vidudi::toolkit

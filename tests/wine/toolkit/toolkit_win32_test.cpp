// The win32 dialog layer on real windows under Wine and Xvfb: their state, pixels and messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "toolkit/win32/win32_toolkit.h"
#include "toolkit_test_ids.h"

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

class Probe : public Dialog {
public:
    Probe() : Dialog(IDD_PROBE) {}

    std::function<void()> onInit;
    std::function<void(PaintContext&)> onPaint;
    std::atomic<bool> abandoned{false};
    std::vector<std::string> events;

    HWND hwnd() const { return hwnd_; }
    HWND control(int id) const { return GetDlgItem(hwnd_, id); }
    DialogWindow& w() { return window(); }
    bool Saw(const std::string& event) const { return std::find(events.begin(), events.end(), event) != events.end(); }

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
    void OnCommand(int id, int notification) override {
        events.push_back("command " + std::to_string(id) + "/" + std::to_string(notification));
        Dialog::OnCommand(id, notification);
    }
    void OnPaint(PaintContext& paint) override {
        if (onPaint) onPaint(paint);
    }
    void OnAbandonExchange() override {
        events.push_back("abandon");
        abandoned = true;
    }
    void OnClose() override {
        events.push_back("close");
        Dialog::OnClose();
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

COLORREF PixelOf(HWND window, int x, int y) {
    const HDC dc = GetDC(window);
    const COLORREF pixel = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return pixel;
}

std::string TempPath(const std::string& name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

// A solid 8 x 8 24-bit bitmap file.
void WriteSolidBitmap(const std::string& path, BYTE red, BYTE green, BYTE blue) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + 64 * 3;
    info.biSize = sizeof info;
    info.biWidth = 8;
    info.biHeight = 8;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file).write(reinterpret_cast<const char*>(&info), sizeof info);
    for (int i = 0; i < 64; ++i) out << static_cast<char>(blue) << static_cast<char>(green) << static_cast<char>(red);
}

// Rules of the native controls wine_gui does not see: a sorted combo's order, "no such item" as
// none, a long list text kept whole, an address field a user empties no longer counted.
TEST_F(Win32ToolkitTest, ComboListViewAndAddressFieldFollowTheProgramsRules) {
    Probe probe;
    probe.onInit = [&] {
        ComboBox sorted(probe.w(), IDC_SORTED);
        EXPECT_EQ(sorted.Add("C:"), 0);
        EXPECT_EQ(sorted.Add("a:"), 0);
        EXPECT_EQ(sorted.Add("B:"), 1);
        sorted.Select(1);
        EXPECT_EQ(sorted.Text(), "B:");
        sorted.Select(9);
        EXPECT_EQ(sorted.Selection(), -1);

        ListView list(probe.w(), IDC_LIST);
        list.InsertColumn(0, "Device Name", 120);
        list.InsertColumn(1, "IP Address", 90);
        list.InsertItem(0, "alpha");
        const std::string longName(700, 'n');
        list.SetItemText(0, 1, longName);
        EXPECT_EQ(list.ItemText(0, 1), longName);

        IpAddressControl address(probe.w(), IDC_ADDRESS);
        std::uint8_t octets[4] = {};
        address.SetAddress({10, 77, 0, 5});
        EXPECT_EQ(address.GetAddress(octets), 4);
        HWND last = nullptr;  // the rightmost field
        for (HWND field = GetWindow(probe.control(IDC_ADDRESS), GW_CHILD); field; field = GetWindow(field, GW_HWNDNEXT)) {
            RECT r, l;
            GetWindowRect(field, &r);
            if (!last || (GetWindowRect(last, &l), r.left > l.left)) last = field;
        }
        ASSERT_NE(last, nullptr);
        SetWindowTextA(last, "");
        EXPECT_EQ(address.GetAddress(octets), 3);

        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

TEST_F(Win32ToolkitTest, AnExchangeRunsOnAWorkerWhileTheWindowAnswersDropsInputAndCanBeClosed) {
    Probe probe;
    bool firstOpen = false;
    bool secondOpen = true;
    DWORD worker = 0;
    bool answered = false;
    std::string statusDuring;
    bool waitCursor = false;
    int paints = 0;
    bool repainted = false;
    std::atomic<bool> checkedDuring{false};
    probe.onPaint = [&](PaintContext&) { ++paints; };
    EXPECT_EQ(RunSoon(probe, [&] {
        DialogWindow& w = probe.w();
        w.SetStatusControl(IDC_LABEL);
        const HWND window = probe.hwnd();
        const HWND plain = probe.control(IDC_PLAIN);
        const HWND edit = probe.control(IDC_EDIT);
        const HWND label = probe.control(IDC_LABEL);
        // On the window's thread while the work runs: the wait cursor, and the window repaints.
        After(100, [&, window] {
            SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            waitCursor = GetCursor() == LoadCursorA(nullptr, IDC_WAIT);
            const int before = paints;
            InvalidateRect(window, nullptr, TRUE);
            UpdateWindow(window);
            repainted = paints > before;
            checkedDuring = true;
        });
        firstOpen = w.RunExchange("Talking to the device...", [&] {
            worker = GetCurrentThreadId();
            DWORD_PTR result = 0;
            // A window's thread that waited for the work could never answer, however long the
            // limit: a generous one costs nothing and a busy machine cannot fail it.
            answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
            char text[64] = {};
            SendMessageTimeoutA(label, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                                &result);
            statusDuring = text;
            // A click, a posted click and Escape: all dropped, none waits for later.
            PostMessageA(plain, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
            PostMessageA(plain, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
            PostMessageA(plain, BM_CLICK, 0, 0);
            PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
            // The work lasts until the window's thread has made its checks during it.
            for (int waited = 0; !checkedDuring && waited < 10000; waited += 5) Sleep(5);
            Sleep(300);  // and the input above has been taken off the queue
        });
        EXPECT_EQ(w.Text(IDC_LABEL), "");
        EXPECT_FALSE(probe.Saw("command " + std::to_string(IDC_PLAIN) + "/0"));
        // The close box in the middle of one: the work is told to give up, then OnClose.
        secondOpen = w.RunExchange("Waiting...", [&] {
            PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            for (int waited = 0; !probe.abandoned && waited < 5000; waited += 5) Sleep(5);
        });
    }), kIdCancel);
    EXPECT_TRUE(firstOpen);
    EXPECT_NE(worker, GetCurrentThreadId());
    EXPECT_NE(worker, 0u);
    EXPECT_TRUE(answered);
    EXPECT_EQ(statusDuring, "Talking to the device...");
    EXPECT_TRUE(waitCursor);
    EXPECT_TRUE(repainted);
    EXPECT_FALSE(secondOpen);
    EXPECT_TRUE(probe.abandoned);
    const auto abandon = std::find(probe.events.begin(), probe.events.end(), "abandon");
    const auto close = std::find(probe.events.begin(), probe.events.end(), "close");
    ASSERT_NE(abandon, probe.events.end());
    ASSERT_NE(close, probe.events.end());
    EXPECT_LT(abandon, close);
    EXPECT_EQ(std::count(probe.events.begin(), probe.events.end(), "close"), 1);
}

TEST_F(Win32ToolkitTest, PicturesAreDrawnOrTellWhyNot) {
    const std::string red = TempPath("vidudi_probe_red.bmp");
    const std::string green = TempPath("vidudi_probe_green.bmp");
    const std::string text = TempPath("vidudi_probe_text.bmp");
    const std::string missing = TempPath("vidudi_probe_missing.bmp");
    const std::string empty = TempPath("vidudi_probe_empty.bmp");
    WriteSolidBitmap(red, 255, 0, 0);
    WriteSolidBitmap(green, 0, 255, 0);
    std::ofstream(text) << "this is not a picture, only some words in a file";
    std::ofstream{empty};

    Probe probe;
    std::vector<PictureOutcome> outcomes;
    probe.onPaint = [&](PaintContext& paint) {
        outcomes = {paint.DrawPictureFile(missing), paint.DrawPictureFile(empty), paint.DrawPictureFile(text),
                    paint.DrawPictureFile(red)};
    };
    EXPECT_EQ(RunSoon(probe, [&] {
        const HWND dialog = probe.hwnd();
        EXPECT_EQ(outcomes, (std::vector<PictureOutcome>{PictureOutcome::CannotOpen, PictureOutcome::EmptyFile,
                                                         PictureOutcome::CannotLoad, PictureOutcome::Drawn}));
        // The picture fills the client area, children aside.
        RECT client;
        GetClientRect(dialog, &client);
        EXPECT_EQ(PixelOf(dialog, 2, client.bottom - 3), RGB(255, 0, 0));
        EXPECT_EQ(PixelOf(dialog, client.right / 2, client.bottom / 2), RGB(255, 0, 0));

        const HWND button = probe.control(IDC_SKINNED);
        EXPECT_FALSE(probe.w().DrawBitmapFile(IDC_SKINNED, missing));
        EXPECT_TRUE(probe.w().DrawBitmapFile(IDC_SKINNED, green));
        EXPECT_EQ(PixelOf(button, 1, 1), RGB(0, 255, 0));
        // Unstretched: past the 8 x 8 image nothing green.
        EXPECT_NE(PixelOf(button, 12, 12), RGB(0, 255, 0));
        // The drawing validated the button, so no pending paint of its own wipes it.
        EXPECT_FALSE(GetUpdateRect(button, nullptr, FALSE));
        probe.EndDialog(kIdOk);
    }), kIdOk);
    for (const auto& path : {red, green, text, empty}) DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace vidudi::toolkit

// The win32 dialog layer on real windows, under Wine and Xvfb: what the program relies on from
// its dialogs, checked against the windows themselves (their state, pixels and messages).
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
#undef MessageBox
#undef LoadString

namespace vidudi::toolkit {
namespace {

// Work to do from inside the running modal loop, after `ms` milliseconds (0: as soon as the
// queue holds nothing else, paints included).
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
    explicit Probe(int templateId = IDD_PROBE) : Dialog(templateId) {}

    std::function<void()> onInit;
    std::function<void(PaintContext&)> onPaint;
    std::function<bool(const InputMessage&)> onInput;
    std::atomic<bool> abandoned{false};
    std::vector<std::string> events;
    std::vector<InputMessage> inputs;

    HWND hwnd() const { return hwnd_; }
    HWND control(int id) const { return GetDlgItem(hwnd_, id); }
    DialogWindow& w() { return window(); }
    bool Saw(const std::string& event) const { return std::find(events.begin(), events.end(), event) != events.end(); }

    bool OnInitDialog() override {
        // Found by its controls: the window is not active before it is shown.
        for (HWND candidate = FindWindowA("#32770", nullptr); candidate;
             candidate = FindWindowExA(nullptr, candidate, "#32770", nullptr)) {
            if (GetWindowThreadProcessId(candidate, nullptr) == GetCurrentThreadId() && !IsWindowVisible(candidate) &&
                GetDlgItem(candidate, templateId() == IDD_PROBE ? IDC_EDIT : IDOK)) {
                hwnd_ = candidate;
            }
        }
        // A probe that hangs fails instead of stopping the run.
        After(15000, [this] {
            ADD_FAILURE() << "dialog " << templateId() << " did not end";
            if (IsOpen()) EndDialog(-99);
        });
        if (onInit) onInit();
        return true;
    }
    void OnCommand(int id, int notification) override {
        events.push_back("command " + std::to_string(id) + "/" + std::to_string(notification));
        Dialog::OnCommand(id, notification);
    }
    void OnNotify(int id, int code) override {
        events.push_back("notify " + std::to_string(id) + "/" + std::to_string(code));
    }
    void OnPaint(PaintContext& paint) override {
        if (onPaint) onPaint(paint);
    }
    void OnOK() override {
        events.push_back("ok");
        Dialog::OnOK();
    }
    void OnAbandonExchange() override {
        events.push_back("abandon");
        abandoned = true;
    }
    void OnClose() override {
        events.push_back("close");
        Dialog::OnClose();
    }
    bool PreTranslateMessage(const InputMessage& message) override {
        inputs.push_back(message);
        return onInput ? onInput(message) : false;
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

TEST_F(Win32ToolkitTest, ControlsAndSortedComboReportTheirStateAndTheDialogEndsWithTheFirstResult) {
    Probe probe;
    probe.onInit = [&] {
        DialogWindow& w = probe.w();
        EXPECT_TRUE(w.Exists(IDC_EDIT));
        EXPECT_FALSE(w.Exists(4242));
        // Before the dialog is shown, a control still reports its own visibility.
        EXPECT_TRUE(w.IsVisible(IDC_PLAIN));
        EXPECT_FALSE(w.IsVisible(IDC_HIDDEN));
        w.Show(IDC_HIDDEN, true);
        EXPECT_TRUE(w.IsVisible(IDC_HIDDEN));
        w.Enable(IDC_PLAIN, false);
        EXPECT_FALSE(w.IsEnabled(IDC_PLAIN));
        w.SetText(IDC_EDIT, "nas-01");
        EXPECT_EQ(w.Text(IDC_EDIT), "nas-01");
        EXPECT_EQ(w.Text(0), "Probe");
        EXPECT_EQ(w.LoadString(IDS_PROBE_ABOUT), "About the probe(&A)...");
        EXPECT_EQ(w.LoadString(401), "");

        // A sorted combo box: the letters' order, and no selection shown as none.
        ComboBox sorted(w, IDC_SORTED);
        EXPECT_EQ(sorted.Add("C:"), 0);
        EXPECT_EQ(sorted.Add("a:"), 0);
        EXPECT_EQ(sorted.Add("B:"), 1);
        EXPECT_EQ(sorted.ItemText(2), "C:");
        EXPECT_EQ(sorted.Selection(), -1);
        sorted.Select(1);
        EXPECT_EQ(sorted.Text(), "B:");
        sorted.Select(-1);
        EXPECT_EQ(sorted.Text(), "");
        sorted.Select(2);
        sorted.Select(9);  // no such item: none, not the previous one
        EXPECT_EQ(sorted.Selection(), -1);
        Soon([&probe] {
            probe.EndDialog(77);
            probe.EndDialog(78);
        });
    };
    EXPECT_EQ(probe.DoModal(), 77);
    EXPECT_FALSE(probe.IsOpen());
    EXPECT_FALSE(IsWindow(probe.hwnd()));

    // A dialog that ends during its initialisation is never shown and does not wait for input.
    Probe quick;
    quick.onInit = [&] { quick.EndDialog(5); };
    EXPECT_EQ(quick.DoModal(), 5);
}

TEST_F(Win32ToolkitTest, ListViewKeepsRowsTextsAndOneSelectionAndReportsAClick) {
    Probe probe;
    probe.onInit = [&] {
        ListView list(probe.w(), IDC_LIST);
        list.InsertColumn(0, "Device Name", 120);
        list.InsertColumn(1, "IP Address", 90);
        list.SetFullRowSelect();
        EXPECT_EQ(list.InsertItem(0, "alpha"), 0);
        EXPECT_EQ(list.InsertItem(1, "bravo"), 1);
        EXPECT_EQ(list.InsertItem(1, "charlie"), 1);
        const std::string longName(700, 'n');
        list.SetItemText(2, 1, longName);
        EXPECT_EQ(list.ItemCount(), 3);
        EXPECT_EQ(list.ItemText(1, 0), "charlie");
        EXPECT_EQ(list.ItemText(2, 1), longName);
        EXPECT_EQ(list.ItemText(9, 0), "");

        EXPECT_EQ(list.SelectionMark(), -1);
        list.Select(1);
        list.Select(2);
        EXPECT_EQ(list.SelectionMark(), 2);
        EXPECT_FALSE(list.IsSelected(1));
        list.Select(7);  // no such row: nothing changes
        EXPECT_TRUE(list.IsSelected(2));

        const HWND raw = probe.control(IDC_LIST);
        Soon([&, raw] {
            // A user's click on the first row: the list selects it and tells the dialog.
            RECT row{};
            row.left = LVIR_BOUNDS;
            SendMessageA(raw, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
            const LPARAM at = MAKELPARAM(row.left + 5, (row.top + row.bottom) / 2);
            PostMessageA(raw, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageA(raw, WM_LBUTTONUP, 0, at);
            Soon([&] {
                ListView shown(probe.w(), IDC_LIST);
                EXPECT_EQ(shown.SelectionMark(), 0);
                EXPECT_FALSE(shown.IsSelected(2));
                shown.DeleteAllItems();
                EXPECT_EQ(shown.SelectionMark(), -1);
                probe.EndDialog(kIdOk);
            });
        });
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
    EXPECT_TRUE(probe.Saw("notify " + std::to_string(IDC_LIST) + "/" + std::to_string(kListClick)));
}

TEST_F(Win32ToolkitTest, AddressFieldCountsItsFilledFields) {
    Probe probe;
    probe.onInit = [&] {
        IpAddressControl address(probe.w(), IDC_ADDRESS);
        std::uint8_t octets[4] = {9, 9, 9, 9};
        EXPECT_TRUE(address.IsBlank());
        EXPECT_EQ(address.GetAddress(octets), 0);
        EXPECT_EQ(octets[0] + octets[1] + octets[2] + octets[3], 0);

        address.SetAddress({10, 77, 0, 5});
        EXPECT_FALSE(address.IsBlank());
        EXPECT_EQ(address.GetAddress(octets), 4);
        EXPECT_EQ(std::vector<int>(octets, octets + 4), (std::vector<int>{10, 77, 0, 5}));

        // The user empties the last (rightmost) field: it reads as 0 and no longer counts.
        HWND last = nullptr;
        int lastLeft = -1;
        for (HWND field = GetWindow(probe.control(IDC_ADDRESS), GW_CHILD); field; field = GetWindow(field, GW_HWNDNEXT)) {
            RECT r;
            GetWindowRect(field, &r);
            if (r.left > lastLeft) {
                lastLeft = r.left;
                last = field;
            }
        }
        ASSERT_NE(last, nullptr);
        SetWindowTextA(last, "");
        EXPECT_EQ(address.GetAddress(octets), 3);
        EXPECT_EQ(octets[3], 0);

        address.Clear();
        EXPECT_TRUE(address.IsBlank());
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

TEST_F(Win32ToolkitTest, InputReachesPreTranslationFirstAndPostedClicksComeAfterTheHandler) {
    Probe probe;
    // Return is swallowed, as the main window does; Escape then cancels.
    probe.onInput = [](const InputMessage& m) { return m.kind == InputMessage::Kind::KeyDown && m.wParam == VK_RETURN; };
    POINT buttonOrigin{};
    EXPECT_EQ(RunSoon(probe, [&] {
        probe.w().Enable(IDC_SKINNED, false);
        probe.w().PostClick(IDC_SKINNED);  // disabled by the time it is handled: nothing
        probe.w().PostClick(IDC_PLAIN);
        probe.events.push_back("handler done");
        const HWND edit = probe.control(IDC_EDIT);
        const HWND plain = probe.control(IDC_PLAIN);
        ClientToScreen(plain, &buttonOrigin);
        PostMessageA(edit, WM_KEYDOWN, 'A', 0);
        PostMessageA(plain, WM_MOUSEMOVE, 0, MAKELPARAM(3, 4));
        PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);  // would be OK without the dialog's rule
        Soon([edit] { PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0); });
    }), kIdCancel);

    const auto done = std::find(probe.events.begin(), probe.events.end(), "handler done");
    const auto clicked = std::find(probe.events.begin(), probe.events.end(), "command " + std::to_string(IDC_PLAIN) + "/0");
    ASSERT_NE(clicked, probe.events.end());
    EXPECT_LT(done, clicked);
    EXPECT_FALSE(probe.Saw("command " + std::to_string(IDC_SKINNED) + "/0"));
    EXPECT_FALSE(probe.Saw("ok"));

    auto seen = [&](InputMessage::Kind kind, std::uintptr_t wParam) {
        return std::any_of(probe.inputs.begin(), probe.inputs.end(),
                           [&](const InputMessage& m) { return m.kind == kind && m.wParam == wParam; });
    };
    EXPECT_TRUE(seen(InputMessage::Kind::KeyDown, 'A'));
    EXPECT_TRUE(seen(InputMessage::Kind::KeyDown, VK_ESCAPE));
    const Point expected{buttonOrigin.x + 3, buttonOrigin.y + 4};
    EXPECT_TRUE(std::any_of(probe.inputs.begin(), probe.inputs.end(), [&](const InputMessage& m) {
        return m.kind == InputMessage::Kind::MouseMove && m.screen == expected;
    }));

    // Without the rule, Return is the default button.
    Probe plainProbe;
    EXPECT_EQ(RunSoon(plainProbe, [&] { PostMessageA(plainProbe.control(IDC_EDIT), WM_KEYDOWN, VK_RETURN, 0); }),
              kIdOk);
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
    probe.onPaint = [&](PaintContext&) { ++paints; };
    EXPECT_EQ(RunSoon(probe, [&] {
        DialogWindow& w = probe.w();
        w.SetStatusControl(IDC_LABEL);
        const HWND window = probe.hwnd();
        const HWND plain = probe.control(IDC_PLAIN);
        const HWND edit = probe.control(IDC_EDIT);
        const HWND label = probe.control(IDC_LABEL);
        // On the window's thread while the work runs: the pointer over the window is the
        // wait cursor, and the window repaints.
        After(100, [&, window] {
            SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            waitCursor = GetCursor() == LoadCursorA(nullptr, IDC_WAIT);
            const int before = paints;
            InvalidateRect(window, nullptr, TRUE);
            UpdateWindow(window);
            repainted = paints > before;
        });
        firstOpen = w.RunExchange("Talking to the device...", [&] {
            worker = GetCurrentThreadId();
            DWORD_PTR result = 0;
            answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 250, &result) != 0;
            char text[64] = {};
            SendMessageTimeoutA(label, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 250,
                                &result);
            statusDuring = text;
            // A click, a posted click and Escape: all dropped, none waits for later.
            PostMessageA(plain, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
            PostMessageA(plain, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
            PostMessageA(plain, BM_CLICK, 0, 0);
            PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
            Sleep(300);
        });
        EXPECT_EQ(w.Text(IDC_LABEL), "");
        EXPECT_FALSE(probe.Saw("command " + std::to_string(IDC_PLAIN) + "/0"));
        // The close box in the middle of one: the work is told to give up, OnClose follows
        // once it has ended.
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

TEST_F(Win32ToolkitTest, ChildDialogDisablesItsOwnerWhileItRuns) {
    Probe parent;
    EXPECT_EQ(RunSoon(parent, [&] {
        // Given the owner, or taking the running dialog as its owner.
        for (Dialog* owner : {static_cast<Dialog*>(&parent), static_cast<Dialog*>(nullptr)}) {
            Probe child(IDD_CHILD);
            child.onInit = [&] {
                EXPECT_EQ(GetWindow(child.hwnd(), GW_OWNER), parent.hwnd());
                EXPECT_FALSE(IsWindowEnabled(parent.hwnd()));
                Soon([&] { child.EndDialog(5); });
            };
            EXPECT_EQ(child.DoModal(owner), 5);
            EXPECT_TRUE(IsWindowEnabled(parent.hwnd()));
            EXPECT_TRUE(parent.IsOpen());
        }
        parent.EndDialog(kIdOk);
    }), kIdOk);
}

// What the message box owned by `owner` showed; it is answered with OK.
struct SeenBox {
    std::string text;
    std::string caption;
    HICON icon = nullptr;
};

void AnswerBoxOf(HWND owner, SeenBox& seen) {
    After(50, [owner, &seen] {
        HWND box = nullptr;
        for (HWND candidate = FindWindowA("#32770", nullptr); candidate;
             candidate = FindWindowExA(nullptr, candidate, "#32770", nullptr)) {
            if (GetWindow(candidate, GW_OWNER) == owner && IsWindowVisible(candidate)) box = candidate;
        }
        if (!box) return AnswerBoxOf(owner, seen);
        char text[256] = {};
        GetWindowTextA(GetDlgItem(box, 0xFFFF), text, sizeof text);
        seen.text = text;
        GetWindowTextA(box, text, sizeof text);
        seen.caption = text;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                seen.icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            }
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
}

TEST_F(Win32ToolkitTest, MessageBoxesAreOwnedByTheDialogAndShowTheirIcon) {
    Probe probe;
    EXPECT_EQ(RunSoon(probe, [&] {
        const std::pair<MessageIcon, LPCSTR> kinds[] = {
            {MessageIcon::Information, IDI_INFORMATION},
            {MessageIcon::Warning, IDI_WARNING},
            {MessageIcon::Error, IDI_ERROR},
        };
        for (const auto& [icon, systemIcon] : kinds) {
            SeenBox seen;
            AnswerBoxOf(probe.hwnd(), seen);
            EXPECT_EQ(probe.w().MessageBox("Successfully   modified.", "Confirm", icon), kIdOk);
            EXPECT_EQ(seen.text, "Successfully   modified.");
            EXPECT_EQ(seen.caption, "Confirm");
            EXPECT_EQ(seen.icon, LoadIconA(nullptr, systemIcon)) << static_cast<int>(icon);
        }
        probe.EndDialog(kIdOk);
    }), kIdOk);
}

}  // namespace
}  // namespace vidudi::toolkit

// The win32 dialog layer on real windows, under Wine and Xvfb: what the program relies on from
// its dialogs, checked against the windows themselves (their state, pixels and messages).
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/win32/win32_toolkit.h"
#include "toolkit_test_ids.h"

#include <windows.h>
#include <commctrl.h>
#undef MessageBox
#undef IsMinimized
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
    std::function<std::optional<ControlColors>(int)> onColor;
    std::function<bool(int)> onSysCommand;
    std::vector<std::string> events;
    std::vector<InputMessage> inputs;

    HWND hwnd() const { return hwnd_; }
    HWND control(int id) const { return GetDlgItem(hwnd_, id); }
    DialogWindow& w() { return window(); }

    bool OnInitDialog() override {
        hwnd_ = GetActiveWindow();
        // Found by caption: the window is not active before it is shown.
        for (HWND candidate = FindWindowA("#32770", nullptr); candidate;
             candidate = FindWindowExA(nullptr, candidate, "#32770", nullptr)) {
            if (GetWindowThreadProcessId(candidate, nullptr) == GetCurrentThreadId() && !IsWindowVisible(candidate) &&
                GetDlgItem(candidate, templateId() == IDD_PROBE ? IDC_EDIT : IDOK)) {
                hwnd_ = candidate;
            }
        }
        events.push_back("init");
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
    void OnClose() override {
        events.push_back("close");
        Dialog::OnClose();
    }
    bool OnSysCommand(int command) override { return onSysCommand ? onSysCommand(command) : false; }
    bool PreTranslateMessage(const InputMessage& message) override {
        inputs.push_back(message);
        return onInput ? onInput(message) : false;
    }
    std::optional<ControlColors> OnCtlColor(int id) override {
        return onColor ? onColor(id) : std::nullopt;
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

    Win32Toolkit toolkit_;
};

POINT CentreOf(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

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

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A solid 8 x 8 24-bit bitmap file.
std::string SolidBitmap(BYTE red, BYTE green, BYTE blue) {
    std::string pixels;
    for (int i = 0; i < 64; ++i) pixels += {static_cast<char>(blue), static_cast<char>(green), static_cast<char>(red)};
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    info.biSize = sizeof info;
    info.biWidth = 8;
    info.biHeight = 8;
    info.biPlanes = 1;
    info.biBitCount = 24;
    return std::string(reinterpret_cast<const char*>(&file), sizeof file) +
           std::string(reinterpret_cast<const char*>(&info), sizeof info) + pixels;
}

TEST_F(Win32ToolkitTest, ControlsReportTheirStateAndTheDialogEndsWithTheFirstResult) {
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
        w.Show(IDC_HIDDEN, false);
        w.Enable(IDC_PLAIN, false);
        EXPECT_FALSE(w.IsEnabled(IDC_PLAIN));
        w.Enable(IDC_PLAIN, true);
        EXPECT_TRUE(w.IsEnabled(IDC_PLAIN));

        w.SetText(IDC_EDIT, "nas-01");
        EXPECT_EQ(w.Text(IDC_EDIT), "nas-01");
        EXPECT_EQ(w.Text(0), "Probe");
        EXPECT_EQ(w.LoadString(IDS_PROBE_ABOUT), "About the probe(&A)...");
        EXPECT_EQ(w.LoadString(401), "");

        w.Move(0, {0, 0, 640, 480});
        EXPECT_EQ(w.Bounds(0), (Rect{0, 0, 640, 480}));
        w.Move(IDC_PLAIN, {20, 300, 70, 25});
        EXPECT_EQ(w.Bounds(IDC_PLAIN), (Rect{20, 300, 70, 25}));

        const FontSpec bold{"Arial", 18, 700, 0};
        EXPECT_EQ(w.Font(IDC_LABEL), FontSpec{});  // the template's font
        w.SetFont(IDC_LABEL, bold);
        w.SetFont(IDC_EDIT, FontSpec{"Arial", 16, 400, 0});
        w.SetFont(IDC_PLAIN, bold);
        EXPECT_EQ(w.Font(IDC_LABEL), bold);
        EXPECT_EQ(w.Font(IDC_EDIT), (FontSpec{"Arial", 16, 400, 0}));
        // One font object per distinct request.
        EXPECT_EQ(SendMessageA(probe.control(IDC_LABEL), WM_GETFONT, 0, 0),
                  SendMessageA(probe.control(IDC_PLAIN), WM_GETFONT, 0, 0));

        Soon([&probe] {
            DialogWindow& live = probe.w();
            const HWND dialog = probe.hwnd();
            ASSERT_TRUE(IsWindowVisible(dialog));
            const POINT plain = CentreOf(dialog, probe.control(IDC_PLAIN));
            EXPECT_EQ(live.ControlAt({plain.x, plain.y}), IDC_PLAIN);
            // Hidden controls and labels without an id are background.
            const POINT hidden = CentreOf(dialog, probe.control(IDC_HIDDEN));
            EXPECT_EQ(live.ControlAt({hidden.x, hidden.y}), 0);
            const POINT anonymous = CentreOf(dialog, FindWindowExA(dialog, nullptr, "Static", "Anonymous"));
            EXPECT_EQ(live.ControlAt({anonymous.x, anonymous.y}), 0);
            EXPECT_EQ(live.ControlAt({-3, 5}), -1);
            RECT client;
            GetClientRect(dialog, &client);
            EXPECT_EQ(live.ControlAt({client.right + 2, 5}), -1);

            POINT screen{plain.x, plain.y};
            ClientToScreen(dialog, &screen);
            EXPECT_EQ(live.ScreenToClient({screen.x, screen.y}), (Point{plain.x, plain.y}));

            live.SetFocus(IDC_EDIT);
            EXPECT_EQ(live.FocusedControl(), IDC_EDIT);
            live.IpFocusField(IDC_ADDRESS, 2);
            EXPECT_EQ(live.FocusedControl(), IDC_ADDRESS);

            live.SetText(0, "Renamed");
            EXPECT_EQ(live.Text(0), "Renamed");
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

TEST_F(Win32ToolkitTest, ListViewKeepsRowsTextsAndOneSelection) {
    Probe probe;
    probe.onInit = [&] {
        ListView list(probe.w(), IDC_LIST);
        list.InsertColumn(0, "Device Name", 120);
        list.InsertColumn(1, "IP Address", 90);
        list.SetFullRowSelect();
        const HWND raw = probe.control(IDC_LIST);
        EXPECT_EQ(SendMessageA(raw, LVM_GETCOLUMNWIDTH, 1, 0), 90);
        EXPECT_TRUE(SendMessageA(raw, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);

        EXPECT_EQ(list.InsertItem(0, "alpha"), 0);
        EXPECT_EQ(list.InsertItem(1, "bravo"), 1);
        EXPECT_EQ(list.InsertItem(1, "charlie"), 1);
        list.SetItemText(1, 1, "10.77.0.9");
        const std::string longName(700, 'n');
        list.SetItemText(2, 1, longName);
        EXPECT_EQ(list.ItemCount(), 3);
        EXPECT_EQ(list.ItemText(0, 0), "alpha");
        EXPECT_EQ(list.ItemText(1, 0), "charlie");
        EXPECT_EQ(list.ItemText(1, 1), "10.77.0.9");
        EXPECT_EQ(list.ItemText(2, 1), longName);
        EXPECT_EQ(list.ItemText(9, 0), "");
        EXPECT_EQ(list.TopIndex(), 0);

        EXPECT_EQ(list.SelectionMark(), -1);
        list.Select(1);
        EXPECT_EQ(list.SelectionMark(), 1);
        EXPECT_TRUE(list.IsSelected(1));
        list.Select(2);
        EXPECT_EQ(list.SelectionMark(), 2);
        EXPECT_TRUE(list.IsSelected(2));
        EXPECT_FALSE(list.IsSelected(1));
        list.Select(7);  // no such row: nothing changes
        EXPECT_EQ(list.SelectionMark(), 2);
        EXPECT_TRUE(list.IsSelected(2));

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
                EXPECT_TRUE(shown.IsSelected(0));
                EXPECT_FALSE(shown.IsSelected(2));
                shown.DeleteAllItems();
                EXPECT_EQ(shown.ItemCount(), 0);
                EXPECT_EQ(shown.SelectionMark(), -1);
                probe.EndDialog(kIdOk);
            });
        });
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
    const std::string click = "notify " + std::to_string(IDC_LIST) + "/" + std::to_string(kListClick);
    EXPECT_NE(std::find(probe.events.begin(), probe.events.end(), click), probe.events.end());
}

TEST_F(Win32ToolkitTest, ComboBoxesSortOrAppendAndShowTheirSelection) {
    Probe probe;
    probe.onInit = [&] {
        ComboBox sorted(probe.w(), IDC_SORTED);
        EXPECT_EQ(sorted.Add("C:"), 0);
        EXPECT_EQ(sorted.Add("a:"), 0);
        EXPECT_EQ(sorted.Add("B:"), 1);
        EXPECT_EQ(sorted.Count(), 3);
        EXPECT_EQ(sorted.ItemText(0), "a:");
        EXPECT_EQ(sorted.ItemText(1), "B:");
        EXPECT_EQ(sorted.ItemText(2), "C:");
        EXPECT_EQ(sorted.ItemText(3), "");
        EXPECT_EQ(sorted.Selection(), -1);
        sorted.Select(1);
        EXPECT_EQ(sorted.Selection(), 1);
        EXPECT_EQ(sorted.Text(), "B:");
        sorted.Select(-1);
        EXPECT_EQ(sorted.Selection(), -1);
        EXPECT_EQ(sorted.Text(), "");
        sorted.Select(2);
        sorted.Select(9);
        EXPECT_EQ(sorted.Selection(), -1);

        ComboBox plain(probe.w(), IDC_UNSORTED);
        EXPECT_EQ(plain.Add("Disable"), 0);
        EXPECT_EQ(plain.Add("Enable"), 1);
        EXPECT_EQ(plain.Add("Auto"), 2);
        plain.Select(1);
        plain.ResetContent();
        EXPECT_EQ(plain.Count(), 0);
        EXPECT_EQ(plain.Selection(), -1);
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
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
        EXPECT_EQ(octets[0], 10);
        EXPECT_EQ(octets[1], 77);
        EXPECT_EQ(octets[2], 0);
        EXPECT_EQ(octets[3], 5);

        // The user empties the last field: it reads as 0 and no longer counts.
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
        EXPECT_EQ(octets[0], 10);
        EXPECT_EQ(octets[3], 0);

        address.Clear();
        EXPECT_TRUE(address.IsBlank());
        EXPECT_EQ(address.GetAddress(octets), 0);
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

TEST_F(Win32ToolkitTest, InputReachesPreTranslationFirstAndPostedClicksComeAfterTheHandler) {
    Probe probe;
    // Return is swallowed, as the main window does.
    probe.onInput = [](const InputMessage& m) { return m.kind == InputMessage::Kind::KeyDown && m.wParam == VK_RETURN; };
    POINT buttonOrigin{};
    probe.onInit = [&] {
        Soon([&] {
            probe.w().Enable(IDC_SKINNED, false);
            probe.w().PostClick(IDC_SKINNED);  // disabled by the time it is handled: nothing
            probe.w().PostClick(IDC_PLAIN);
            probe.events.push_back("handler done");
            const HWND edit = probe.control(IDC_EDIT);
            const HWND plain = probe.control(IDC_PLAIN);
            buttonOrigin = {0, 0};
            ClientToScreen(plain, &buttonOrigin);
            PostMessageA(edit, WM_KEYDOWN, 'A', 0);
            PostMessageA(plain, WM_MOUSEMOVE, 0, MAKELPARAM(3, 4));
            PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);  // would be OK without the dialog's rule
            Soon([&, edit] { PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0); });
        });
    };
    EXPECT_EQ(probe.DoModal(), kIdCancel);

    const std::string click = "command " + std::to_string(IDC_PLAIN) + "/0";
    const auto done = std::find(probe.events.begin(), probe.events.end(), "handler done");
    const auto clicked = std::find(probe.events.begin(), probe.events.end(), click);
    ASSERT_NE(clicked, probe.events.end());
    EXPECT_LT(done, clicked);
    EXPECT_EQ(std::count(probe.events.begin(), probe.events.end(), "command " + std::to_string(IDC_SKINNED) + "/0"), 0);
    EXPECT_EQ(std::count(probe.events.begin(), probe.events.end(), "ok"), 0);

    auto seen = [&](InputMessage::Kind kind, std::uintptr_t wParam) {
        return std::any_of(probe.inputs.begin(), probe.inputs.end(),
                           [&](const InputMessage& m) { return m.kind == kind && m.wParam == wParam; });
    };
    EXPECT_TRUE(seen(InputMessage::Kind::KeyDown, 'A'));
    EXPECT_TRUE(seen(InputMessage::Kind::KeyDown, VK_RETURN));
    EXPECT_TRUE(seen(InputMessage::Kind::KeyDown, VK_ESCAPE));
    const Point expected{buttonOrigin.x + 3, buttonOrigin.y + 4};
    EXPECT_TRUE(std::any_of(probe.inputs.begin(), probe.inputs.end(), [&](const InputMessage& m) {
        return m.kind == InputMessage::Kind::MouseMove && m.screen == expected;
    }));

    // Without the rule, Return is the default button.
    Probe plainProbe;
    plainProbe.onInit = [&] {
        Soon([&] { PostMessageA(plainProbe.control(IDC_EDIT), WM_KEYDOWN, VK_RETURN, 0); });
    };
    EXPECT_EQ(plainProbe.DoModal(), kIdOk);
}

TEST_F(Win32ToolkitTest, PaintingDrawsPicturesFilesFacesAndTheIcon) {
    const std::string red = TempPath("vidudi_probe_red.bmp");
    const std::string green = TempPath("vidudi_probe_green.bmp");
    const std::string text = TempPath("vidudi_probe_text.bmp");
    const std::string empty = TempPath("vidudi_probe_empty.bmp");
    WriteFile(red, SolidBitmap(255, 0, 0));
    WriteFile(green, SolidBitmap(0, 255, 0));
    WriteFile(text, "this is not a picture, only some words in a file");
    WriteFile(empty, "");

    Probe probe;
    std::vector<PictureOutcome> outcomes;
    bool iconPass = false;
    probe.onPaint = [&](PaintContext& paint) {
        if (iconPass) {
            paint.DrawIconCentered(IDI_PROBE);
            return;
        }
        outcomes.push_back(paint.DrawPictureFile(TempPath("vidudi_probe_missing.bmp")));
        outcomes.push_back(paint.DrawPictureFile(text));
        outcomes.push_back(paint.DrawPictureFile(empty));
        outcomes.push_back(paint.DrawPictureFile(red));
    };
    probe.onInit = [&] {
        DialogWindow& w = probe.w();
        w.SetButtonFace(IDC_FACED, IDB_BLUE_FACE);
        EXPECT_EQ(w.ButtonFace(IDC_FACED), IDB_BLUE_FACE);
        EXPECT_EQ(w.ButtonFace(IDC_SKINNED), 0);
        Soon([&probe, &outcomes, &iconPass, &green] {
            DialogWindow& live = probe.w();
            const HWND dialog = probe.hwnd();
            ASSERT_FALSE(outcomes.empty()) << "no paint before the queue emptied";
            EXPECT_EQ(outcomes[0], PictureOutcome::CannotOpen);
            EXPECT_EQ(outcomes[1], PictureOutcome::CannotLoad);
            EXPECT_EQ(outcomes[2], PictureOutcome::CannotLoad);
            EXPECT_EQ(outcomes[3], PictureOutcome::Drawn);
            RECT client;
            GetClientRect(dialog, &client);
            // The picture fills the client area, children aside.
            EXPECT_EQ(PixelOf(dialog, 2, client.bottom - 3), RGB(255, 0, 0));
            EXPECT_EQ(PixelOf(dialog, client.right / 2, client.bottom / 2), RGB(255, 0, 0));
            // The faced button shows its resource bitmap.
            EXPECT_EQ(PixelOf(probe.control(IDC_FACED), 2, 2), RGB(0, 0, 255));

            EXPECT_FALSE(live.DrawBitmapFile(IDC_SKINNED, TempPath("vidudi_probe_missing.bmp")));
            EXPECT_TRUE(live.DrawBitmapFile(IDC_SKINNED, green));
            EXPECT_EQ(PixelOf(probe.control(IDC_SKINNED), 1, 1), RGB(0, 255, 0));
            // Unstretched: past the 8 x 8 image nothing green.
            EXPECT_NE(PixelOf(probe.control(IDC_SKINNED), 12, 12), RGB(0, 255, 0));
            // The drawing validated the button, so no pending paint of its own wipes it.
            EXPECT_FALSE(GetUpdateRect(probe.control(IDC_SKINNED), nullptr, FALSE));

            iconPass = true;
            live.Invalidate(0);
            UpdateWindow(dialog);
            const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
            const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
            EXPECT_EQ(PixelOf(dialog, x + 2, y + 2), RGB(255, 255, 0));
            EXPECT_NE(PixelOf(dialog, x - 2, y - 2), RGB(255, 255, 0));
            probe.EndDialog(kIdOk);
        });
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
    for (const auto& path : {red, green, text, empty}) DeleteFileA(path.c_str());
}

TEST_F(Win32ToolkitTest, ColourRequestsGetTheDialogsOwnBrushes) {
    Probe probe;
    const Color green{96, 145, 56};
    const Color white{255, 255, 255};
    probe.onColor = [&](int id) -> std::optional<ControlColors> {
        if (id == IDC_LABEL) return ControlColors{true, green};
        if (id == 0) return ControlColors{false, white};
        return std::nullopt;
    };
    probe.onInit = [&] {
        const HWND dialog = probe.hwnd();
        const HDC dc = GetDC(dialog);
        auto ask = [&](UINT message, HWND control) {
            SetBkMode(dc, OPAQUE);
            return reinterpret_cast<HBRUSH>(SendMessageA(dialog, message, reinterpret_cast<WPARAM>(dc),
                                                         reinterpret_cast<LPARAM>(control)));
        };
        auto colourOf = [](HBRUSH brush) {
            LOGBRUSH logical{};
            GetObjectA(brush, sizeof logical, &logical);
            return logical.lbColor;
        };
        const HBRUSH label = ask(WM_CTLCOLORSTATIC, probe.control(IDC_LABEL));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(colourOf(label), RGB(96, 145, 56));
        EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
        EXPECT_EQ(ask(WM_CTLCOLORSTATIC, probe.control(IDC_LABEL)), label);  // made once

        const HBRUSH background = ask(WM_CTLCOLORDLG, dialog);
        EXPECT_EQ(colourOf(background), RGB(255, 255, 255));
        EXPECT_EQ(GetBkMode(dc), OPAQUE);

        const HBRUSH other = ask(WM_CTLCOLORBTN, probe.control(IDC_PLAIN));
        EXPECT_NE(other, label);
        EXPECT_NE(other, background);
        ReleaseDC(dialog, dc);
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

TEST_F(Win32ToolkitTest, SystemMenuIconAndCloseBox) {
    Probe probe;
    std::vector<int> commands;
    probe.onSysCommand = [&](int command) {
        commands.push_back(command);
        return command == 0x10;
    };
    probe.onInit = [&] {
        DialogWindow& w = probe.w();
        const HWND dialog = probe.hwnd();
        const HMENU menu = GetSystemMenu(dialog, FALSE);
        const int before = GetMenuItemCount(menu);
        w.AppendSystemMenuEntry(0x10, w.LoadString(IDS_PROBE_ABOUT));
        ASSERT_EQ(GetMenuItemCount(menu), before + 2);
        EXPECT_TRUE(GetMenuState(menu, static_cast<UINT>(before), MF_BYPOSITION) & MF_SEPARATOR);
        char entry[64] = {};
        GetMenuStringA(menu, 0x10, entry, sizeof entry, MF_BYCOMMAND);
        EXPECT_STREQ(entry, "About the probe(&A)...");

        w.SetIcon(IDI_PROBE);
        const HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROBE));
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0)), icon);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0)), icon);

        Soon([&probe, dialog] {
            DialogWindow& live = probe.w();
            EXPECT_FALSE(live.IsMinimized());
            ShowWindow(dialog, SW_MINIMIZE);
            EXPECT_TRUE(live.IsMinimized());
            ShowWindow(dialog, SW_RESTORE);
            EXPECT_FALSE(live.IsMinimized());
            PostMessageA(dialog, WM_SYSCOMMAND, 0x10, 0);
            // Not handled by the dialog: the default handling closes the window.
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
    };
    EXPECT_EQ(probe.DoModal(), kIdCancel);
    EXPECT_EQ(commands, (std::vector<int>{0x10, SC_CLOSE}));
    EXPECT_EQ(std::count(probe.events.begin(), probe.events.end(), "close"), 1);
}

TEST_F(Win32ToolkitTest, ChildDialogDisablesItsOwnerWhileItRuns) {
    Probe parent;
    parent.onInit = [&] {
        Soon([&] {
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
        });
    };
    EXPECT_EQ(parent.DoModal(), kIdOk);
}

// Answers the message box that the dialog opens: what it showed, and with which icon.
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
        char caption[256] = {};
        GetWindowTextA(box, caption, sizeof caption);
        seen.caption = caption;
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
    std::vector<SeenBox> seen(3);
    probe.onInit = [&] {
        Soon([&] {
            const std::pair<MessageIcon, LPCSTR> kinds[] = {
                {MessageIcon::Information, IDI_INFORMATION},
                {MessageIcon::Warning, IDI_WARNING},
                {MessageIcon::Error, IDI_ERROR},
            };
            for (std::size_t i = 0; i < 3; ++i) {
                AnswerBoxOf(probe.hwnd(), seen[i]);
                EXPECT_EQ(probe.w().MessageBox("Successfully   modified.", "Confirm", kinds[i].first), kIdOk);
                EXPECT_EQ(seen[i].text, "Successfully   modified.");
                EXPECT_EQ(seen[i].caption, "Confirm");
                EXPECT_EQ(seen[i].icon, LoadIconA(nullptr, kinds[i].second)) << "box " << i;
            }
            probe.EndDialog(kIdOk);
        });
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

}  // namespace
}  // namespace vidudi::toolkit

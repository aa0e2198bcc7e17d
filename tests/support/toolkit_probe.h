#pragma once
// What the tests of the dialog backends share: the probe dialog of tests/wine/toolkit (its
// handlers record what the backend hands them), its picture files, and the checks of the rules
// every backend keeps. Each test derives its probe for what only its backend has.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/dialog.h"
#include "wine/toolkit/toolkit_test_ids.h"

namespace vidudi::toolkit {

inline void PrintTo(const Color& c, std::ostream* out) {
    *out << "rgb(" << int{c.red} << ", " << int{c.green} << ", " << int{c.blue} << ")";
}

constexpr Color kRed{255, 0, 0};
constexpr Color kGreen{0, 255, 0};
constexpr Color kBlue{0, 0, 255};

// How the probe records a command: "command 1001/0".
inline std::string CommandEvent(int id, int notification = kButtonClicked) {
    return "command " + std::to_string(id) + "/" + std::to_string(notification);
}

class ProbeDialog : public Dialog {
public:
    explicit ProbeDialog(int templateId = IDD_PROBE) : Dialog(templateId) {}

    std::function<void()> onInit;
    std::function<void(PaintContext&)> onPaint;
    std::atomic<bool> abandoned{false};
    std::vector<std::string> events;

    DialogWindow& w() { return window(); }
    int Count(const std::string& event) const {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }

    void OnCommand(int id, int notification) override {
        events.push_back(CommandEvent(id, notification));
        Dialog::OnCommand(id, notification);
    }
    void OnNotify(int id, int code) override {
        events.push_back("notify " + std::to_string(id) + "/" + std::to_string(code));
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
    bool OnSysCommand(int command) override {
        events.push_back("syscommand " + std::to_string(command));
        return false;
    }
    // The label's brush, which the picture checks look for.
    std::optional<ControlColors> OnCtlColor(int id) override {
        if (id == IDC_LABEL) return ControlColors{true, kBlue};
        return std::nullopt;
    }
};

// On an exchange's worker: waits until `flag` is set, for 5 s at most.
inline void WaitFor(const std::atomic<bool>& flag) {
    for (int waited = 0; !flag && waited < 5000; waited += 5) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// The window's side of the exchange test, as each backend's test gives it.
struct ExchangeHooks {
    std::function<void(int ms, std::function<void()> work)> after;  // on the window's thread, later
    std::function<void()> during;  // while the work runs: a click on Plain and Escape, as a user's
    std::function<bool()> waitCursor;  // the wait cursor shows over the window
    std::function<void()> closeBox;
};

// Two exchanges, from inside the probe's modal loop. The work runs on a worker while the window
// answers with the status text and the wait cursor, dropping (not queueing) a click, a posted
// click and Escape; the close box in the middle of the second has the work abandoned, then
// OnClose run once. The probe ends with Cancel.
inline void RunExchanges(ProbeDialog& probe, const ExchangeHooks& hooks) {
    struct Seen {
        std::thread::id worker;
        std::atomic<bool> answered{false};
        std::string status;
        bool waitCursor = false;
    };
    const auto seen = std::make_shared<Seen>();  // for a timer that would fire late
    DialogWindow& w = probe.w();
    w.SetStatusControl(IDC_LABEL);
    hooks.after(50, [seen, &w, &hooks] {
        seen->status = w.Text(IDC_LABEL);
        seen->waitCursor = hooks.waitCursor();
        hooks.during();
        w.PostClick(IDC_PLAIN);
        seen->answered = true;
    });
    EXPECT_TRUE(w.RunExchange("Talking to the device...", [seen] {
        seen->worker = std::this_thread::get_id();
        WaitFor(seen->answered);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the input is off the queue
    }));
    EXPECT_TRUE(seen->answered);  // the window's thread ran while the work did
    EXPECT_NE(seen->worker, std::thread::id{});
    EXPECT_NE(seen->worker, std::this_thread::get_id());
    EXPECT_EQ(seen->status, "Talking to the device...");
    EXPECT_TRUE(seen->waitCursor);
    EXPECT_EQ(w.Text(IDC_LABEL), "");
    EXPECT_FALSE(hooks.waitCursor());
    EXPECT_EQ(probe.Count(CommandEvent(IDC_PLAIN)), 0);
    EXPECT_EQ(probe.Count(CommandEvent(kIdCancel)), 0);

    hooks.after(20, hooks.closeBox);
    EXPECT_FALSE(w.RunExchange("Waiting...", [&probe] { WaitFor(probe.abandoned); }));
    const auto abandon = std::find(probe.events.begin(), probe.events.end(), "abandon");
    EXPECT_LT(abandon, std::find(probe.events.begin(), probe.events.end(), "close"));
    EXPECT_EQ(probe.Count("close"), 1);
}

// A sorted drop-down list, ignoring case: the selection stays with its item, and an index
// past the end selects nothing.
// Of the statics without an id, the first is addressed as kNoId, as GetDlgItem finds it: it
// shows, hides and reads back as any control does, and a click on it is the dialog's.
inline void ExpectFirstUnnamedControlRules(DialogWindow& w) {
    ASSERT_TRUE(w.Exists(kNoId));
    EXPECT_EQ(w.Text(kNoId), "First unnamed");
    const Rect r = w.Bounds(kNoId);
    EXPECT_EQ(w.ControlAt({r.left + r.width / 2, r.top + r.height / 2}), 0);
    w.Show(kNoId, false);
    EXPECT_FALSE(w.IsVisible(kNoId));
    w.Show(kNoId, true);
    EXPECT_TRUE(w.IsVisible(kNoId));
}

inline void ExpectSortedComboRules(DialogWindow& w) {
    ComboBox sorted(w, IDC_SORTED);
    EXPECT_EQ(sorted.Add("C:"), 0);
    EXPECT_EQ(sorted.Add("a:"), 0);
    EXPECT_EQ(sorted.Add("B:"), 1);
    EXPECT_EQ(sorted.Selection(), -1);
    EXPECT_EQ(sorted.Text(), "");
    sorted.Select(1);
    EXPECT_EQ(sorted.Text(), "B:");
    EXPECT_EQ(sorted.Add("0:"), 0);
    EXPECT_EQ(sorted.Text(), "B:");
    sorted.Select(9);
    EXPECT_EQ(sorted.Selection(), -1);
}

// A report list: a row put in past the end is appended, a long text is kept whole, a missing
// cell reads as "", a row put in above the selection mark moves it along.
inline void ExpectListRules(DialogWindow& w) {
    ListView list(w, IDC_LIST);
    list.InsertColumn(0, "Device Name", 120);
    list.InsertColumn(1, "IP Address", 90);
    EXPECT_EQ(list.InsertItem(5, "beta"), 0);
    EXPECT_EQ(list.InsertItem(0, "alpha"), 0);
    const std::string longName(700, 'n');
    list.SetItemText(1, 1, longName);
    EXPECT_EQ(list.ItemText(1, 1), longName);
    EXPECT_EQ(list.ItemText(1, 0), "beta");
    EXPECT_EQ(list.ItemText(7, 0), "");
    EXPECT_EQ(list.SelectionMark(), -1);
    list.Select(0);
    list.InsertItem(0, "first");
    EXPECT_EQ(list.SelectionMark(), 1);
    EXPECT_TRUE(list.IsSelected(1));
    list.DeleteAllItems();
    EXPECT_EQ(list.SelectionMark(), -1);
    EXPECT_EQ(list.ItemCount(), 0);
}

// The four address fields: all or none filled by the program.
inline void ExpectAddressRules(DialogWindow& w) {
    IpAddressControl address(w, IDC_ADDRESS);
    std::uint8_t octets[4] = {};
    EXPECT_TRUE(address.IsBlank());
    address.SetAddress({10, 77, 0, 5});
    EXPECT_EQ(address.GetAddress(octets), 4);
    EXPECT_EQ((std::vector<int>{octets[0], octets[1], octets[2], octets[3]}), (std::vector<int>{10, 77, 0, 5}));
    address.Clear();
    EXPECT_TRUE(address.IsBlank());
}

// Picture files in the temporary folder for the time of a test: solid 8 x 8 red and green
// bitmaps, a text file named .bmp, an empty one, and one that is not there.
struct PictureFiles {
    std::string red = ::testing::TempDir() + "vidudi_probe_red.bmp";
    std::string green = ::testing::TempDir() + "vidudi_probe_green.bmp";
    std::string text = ::testing::TempDir() + "vidudi_probe_text.bmp";
    std::string empty = ::testing::TempDir() + "vidudi_probe_empty.bmp";
    std::string missing = ::testing::TempDir() + "vidudi_probe_missing.bmp";

    PictureFiles() {
        WriteSolidBitmap(red, kRed);
        WriteSolidBitmap(green, kGreen);
        std::ofstream(text) << "this is not a picture, only some words in a file";
        std::ofstream{empty};
    }
    ~PictureFiles() {
        for (const auto& path : {red, green, text, empty}) std::remove(path.c_str());
    }
    PictureFiles(const PictureFiles&) = delete;
    PictureFiles& operator=(const PictureFiles&) = delete;

    // What a paint handler draws: each file that cannot be drawn says why, the last one is.
    std::vector<PictureOutcome> DrawAll(PaintContext& paint) const {
        return {paint.DrawPictureFile(missing), paint.DrawPictureFile(empty), paint.DrawPictureFile(text),
                paint.DrawPictureFile(red)};
    }

private:
    // 24 bits a pixel, bottom-up, rows of 24 bytes (no padding).
    static void WriteSolidBitmap(const std::string& path, Color colour) {
        std::string bytes = "BM";
        const auto put = [&bytes](std::uint32_t value, int size) {
            for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
        };
        // The file's size, a reserved word and where the pixels start; the size of the header
        // that follows, 8 x 8, one plane of 24 bits, no compression and no palette.
        for (const std::uint32_t field : {54u + 64u * 3u, 0u, 54u, 40u, 8u, 8u}) put(field, 4);
        put(1, 2);
        put(24, 2);
        for (int i = 0; i < 6; ++i) put(0, 4);
        for (int i = 0; i < 64; ++i) bytes += {static_cast<char>(colour.blue), static_cast<char>(colour.green),
                                               static_cast<char>(colour.red)};
        std::ofstream(path, std::ios::binary) << bytes;
    }
};

// What the window shows at a point of a control (0: the dialog's client area).
using PixelReader = std::function<Color(int id, int x, int y)>;

// The pictures the paint handler drew (DrawAll) and a bitmap copied onto the skinned button:
// the background picture is stretched over the client area of `client` size, under the
// label's brush; the copy is not stretched; files that cannot be loaded draw nothing.
inline void ExpectPicturesDrawn(DialogWindow& w, const PictureFiles& files, const std::vector<PictureOutcome>& outcomes,
                                Point client, const PixelReader& pixel) {
    EXPECT_EQ(outcomes, (std::vector<PictureOutcome>{PictureOutcome::CannotOpen, PictureOutcome::EmptyFile,
                                                     PictureOutcome::CannotLoad, PictureOutcome::Drawn}));
    EXPECT_EQ(pixel(0, 2, client.y - 3), kRed);
    EXPECT_EQ(pixel(0, client.x / 2, client.y / 2), kRed);
    const Rect label = w.Bounds(IDC_LABEL);
    EXPECT_EQ(pixel(IDC_LABEL, label.width - 2, label.height - 2), kBlue);

    EXPECT_FALSE(w.DrawBitmapFile(IDC_SKINNED, files.missing));
    EXPECT_FALSE(w.DrawBitmapFile(IDC_SKINNED, files.text));
    EXPECT_TRUE(w.DrawBitmapFile(IDC_SKINNED, files.green));
    EXPECT_EQ(pixel(IDC_SKINNED, 1, 1), kGreen);
    EXPECT_NE(pixel(IDC_SKINNED, 12, 12), kGreen);
}

}  // namespace vidudi::toolkit

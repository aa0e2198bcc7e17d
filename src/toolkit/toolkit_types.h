#pragma once
// Plain types the dialog layer and its callers share.
#include <cstdint>
#include <string>

namespace vidudi::toolkit {

// The id of a control that has none (IDC_STATIC).
constexpr int kNoId = -1;

// Standard button and dialog results.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Notification codes the program listens for.
constexpr int kButtonClicked = 0;      // BN_CLICKED
constexpr int kComboSelChange = 1;     // CBN_SELCHANGE
constexpr int kListClick = -2;         // NM_CLICK

// The system-menu command that closes a window (SC_CLOSE).
constexpr int kSysCommandClose = 0xF060;

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// left, top, width, height in pixels.
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
    bool Contains(Point p) const { return p.x >= left && p.x < left + width && p.y >= top && p.y < top + height; }
};

// The layout is made in pixels at 96 DPI. At another DPI a length is scaled and truncated (801
// pixels are 1201 at 144 DPI); a rectangle has its edges scaled, so that controls that line up
// at 96 DPI still do.
constexpr int kLayoutDpi = 96;
constexpr int ScaleToDpi(int pixels, int dpi) { return pixels * dpi / kLayoutDpi; }
constexpr Rect ScaleToDpi(const Rect& r, int dpi) {
    return {ScaleToDpi(r.left, dpi), ScaleToDpi(r.top, dpi),
            ScaleToDpi(r.left + r.width, dpi) - ScaleToDpi(r.left, dpi),
            ScaleToDpi(r.top + r.height, dpi) - ScaleToDpi(r.top, dpi)};
}

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Color&) const = default;
};

// A font requested by name; the platform's font mapper substitutes a missing face.
struct FontSpec {
    std::string face;
    int height = 0;   // pixels
    int weight = 400;
    int charset = 0;  // 0: ANSI
    bool operator==(const FontSpec&) const = default;
};

// The three icons of the program's message boxes.
enum class MessageIcon {
    Information,  // MB_ICONINFORMATION
    Warning,      // MB_ICONEXCLAMATION
    Error,        // MB_ICONERROR
};

// Buttons and modifier keys in the word parameter of a mouse message.
constexpr std::uintptr_t kMouseLeftButton = 0x0001;  // MK_LBUTTON
constexpr std::uintptr_t kMouseShift = 0x0004;       // MK_SHIFT
constexpr std::uintptr_t kMouseControl = 0x0008;     // MK_CONTROL

// What a dialog's pre-translation step sees of the input before it is dispatched.
struct InputMessage {
    enum class Kind {
        MouseMove, LeftButtonDown, LeftButtonUp,
        KeyDown, KeyUp, Char, SysKeyDown, SysKeyUp, SysChar,  // WM_KEYDOWN ... WM_SYSCHAR
        Other,
    };
    Kind kind = Kind::Other;
    Point screen;             // pointer position in screen coordinates (mouse messages)
    // The message's word parameter: the key code or character of the keyboard kinds, the
    // buttons and modifier keys held (MK_LBUTTON, MK_SHIFT...) of the mouse kinds.
    std::uintptr_t wParam = 0;

    bool IsKeyboard() const { return kind >= Kind::KeyDown && kind <= Kind::SysChar; }
};

// The answer of a control-colour request: the text background mode and the brush to fill with.
struct ControlColors {
    bool transparentText = false;
    Color brush;
};

// How drawing a background picture went.
enum class PictureOutcome {
    Drawn,
    CannotOpen,    // file missing, or its size unreadable
    EmptyFile,     // zero bytes: nothing to draw (a memory block of no bytes cannot be locked)
    OutOfMemory,   // no memory block for the file's copy
    CannotLoad,    // not a picture the loader reads
    CannotRender,
};

}  // namespace vidudi::toolkit

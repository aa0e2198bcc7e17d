#include "toolkit/win32/win32_toolkit.h"

#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <map>
#include <system_error>
#include <thread>
#include <utility>

// <windows.h> maps these names to its own functions; ours are DialogWindow operations.
#undef MessageBox
#undef IsMinimized
#undef LoadString

namespace vidudi::toolkit {

namespace {

constexpr int kAnonymousId = 0xFFFF;  // IDC_STATIC as a 16-bit template id

COLORREF ToColorRef(Color color) { return RGB(color.red, color.green, color.blue); }

Rect FromRect(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(window, message, wParam, lParam);
}

template <typename T>
LPARAM Pointer(T* data) {
    return reinterpret_cast<LPARAM>(data);
}

std::string WindowText(HWND window) {
    if (!window) return "";
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

class Win32Paint final : public PaintContext {
public:
    Win32Paint(HWND window, HDC dc, HINSTANCE resources) : window_(window), dc_(dc), resources_(resources) {}

    void DrawIconCentered(int iconResource) override {
        SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc_), 0);
        RECT client;
        GetClientRect(window_, &client);
        const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc_, x, y, LoadIconA(resources_, MAKEINTRESOURCEA(iconResource)));
    }

    PictureOutcome DrawPictureFile(const std::string& path) override {
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return PictureOutcome::CannotOpen;
        const DWORD size = GetFileSize(file, nullptr);
        if (size == INVALID_FILE_SIZE) {
            CloseHandle(file);
            return PictureOutcome::CannotOpen;
        }
        // A zero-sized movable block cannot be locked: an empty file is drawn as nothing.
        if (size == 0) {
            CloseHandle(file);
            return PictureOutcome::EmptyFile;
        }
        const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        void* bytes = block ? GlobalLock(block) : nullptr;
        if (!bytes) {
            if (block) GlobalFree(block);
            CloseHandle(file);
            return PictureOutcome::OutOfMemory;
        }
        DWORD read = 0;
        const bool complete = ReadFile(file, bytes, size, &read, nullptr) && read == size;
        GlobalUnlock(block);
        CloseHandle(file);
        if (!complete) {
            GlobalFree(block);
            return PictureOutcome::CannotOpen;
        }

        IStream* stream = nullptr;
        if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
            GlobalFree(block);
            return PictureOutcome::OutOfMemory;
        }
        IPicture* picture = nullptr;
        if (FAILED(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                                  reinterpret_cast<void**>(&picture)))) {
            stream->Release();
            return PictureOutcome::CannotLoad;
        }
        OLE_XSIZE_HIMETRIC width = 0;
        OLE_YSIZE_HIMETRIC height = 0;
        picture->get_Width(&width);
        picture->get_Height(&height);
        RECT client;
        GetClientRect(window_, &client);
        // The picture's own size in pixels stands in for an empty client rectangle.
        const auto naturalWidth = static_cast<LONG>(GetDeviceCaps(dc_, HORZRES) * static_cast<double>(width) /
                                                    (GetDeviceCaps(dc_, HORZSIZE) * 100.0));
        const auto naturalHeight = static_cast<LONG>(GetDeviceCaps(dc_, VERTRES) * static_cast<double>(height) /
                                                     (GetDeviceCaps(dc_, VERTSIZE) * 100.0));
        const LONG drawWidth = client.right - client.left ? client.right - client.left : naturalWidth;
        const LONG drawHeight = client.bottom - client.top ? client.bottom - client.top : naturalHeight;
        // Himetric runs upwards: start at the top edge with a negative height to draw upright.
        const HRESULT rendered =
            picture->Render(dc_, client.left, client.top, drawWidth, drawHeight, 0, height, width, -height, nullptr);
        picture->Release();
        stream->Release();
        return FAILED(rendered) ? PictureOutcome::CannotRender : PictureOutcome::Drawn;
    }

private:
    HWND window_;
    HDC dc_;
    HINSTANCE resources_;
};

}  // namespace

// One open dialog: its window, and the fonts, brushes and face bitmaps it owns.
class Win32Window final : public DialogWindow {
public:
    Win32Window(Dialog& dialog, HINSTANCE resources) : dialog_(dialog), resources_(resources) {}
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd() const { return hwnd_; }
    bool ended() const { return ended_; }
    int result() const { return result_; }
    // Gives the dialog the input messages of its own window and its children first.
    bool PreTranslate(const MSG& message);

    bool Exists(int id) const override { return id != 0 && Item(id) != nullptr; }
    void Show(int id, bool shown) override { ShowWindow(Item(id), shown ? SW_SHOW : SW_HIDE); }
    // The control's own flag: IsWindowVisible would also ask the dialog, which is hidden
    // until its initialisation has run.
    bool IsVisible(int id) const override { return (GetWindowLongA(Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
    void Enable(int id, bool enabled) override;
    bool IsEnabled(int id) const override { return IsWindowEnabled(Item(id)) != FALSE; }
    void SetText(int id, const std::string& text) override { SetWindowTextA(Item(id), text.c_str()); }
    std::string Text(int id) const override { return WindowText(Item(id)); }
    void Move(int id, const Rect& rect) override {
        MoveWindow(Item(id), rect.left, rect.top, rect.width, rect.height, TRUE);
    }
    Rect Bounds(int id) const override;
    void SetFont(int id, const FontSpec& font) override;
    FontSpec Font(int id) const override;
    int TextCharset() const override;
    void SetFocus(int id) override { ::SetFocus(Item(id)); }
    int FocusedControl() const override;
    void SetFocusRefuge(int id) override { focusRefuge_ = id; }
    void LimitText(int id, int characters) override;
    void Invalidate(int id) override { InvalidateRect(Item(id), nullptr, TRUE); }
    int ControlAt(Point client) const override;
    Point ScreenToClient(Point screen) const override;
    void PostClick(int id) override { PostMessageA(Item(id), BM_CLICK, 0, 0); }

    int Dpi() const override;
    void ListInsertColumn(int id, int column, const std::string& heading, int width) override;
    void ListSetColumnWidth(int id, int column, int width) override {
        Send(Item(id), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
    }
    void ListSetFullRowSelect(int id) override {
        Send(Item(id), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    }
    int ListInsertItem(int id, int row, const std::string& text) override;
    void ListSetItemText(int id, int row, int column, const std::string& text) override;
    std::string ListItemText(int id, int row, int column) const override;
    int ListItemCount(int id) const override { return static_cast<int>(Send(Item(id), LVM_GETITEMCOUNT)); }
    void ListDeleteAll(int id) override { Send(Item(id), LVM_DELETEALLITEMS); }
    int ListSelectionMark(int id) const override { return static_cast<int>(Send(Item(id), LVM_GETSELECTIONMARK)); }
    bool ListIsSelected(int id, int row) const override {
        return (Send(Item(id), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
    }
    void ListSelect(int id, int row) override;
    int ListTopIndex(int id) const override { return static_cast<int>(Send(Item(id), LVM_GETTOPINDEX)); }

    int ComboAdd(int id, const std::string& text) override {
        return static_cast<int>(Send(Item(id), CB_ADDSTRING, 0, Pointer(text.c_str())));
    }
    void ComboReset(int id) override { Send(Item(id), CB_RESETCONTENT); }
    int ComboCount(int id) const override { return static_cast<int>(Send(Item(id), CB_GETCOUNT)); }
    std::string ComboItem(int id, int index) const override;
    void ComboSelect(int id, int index) override;
    int ComboSelection(int id) const override { return static_cast<int>(Send(Item(id), CB_GETCURSEL)); }

    void IpSet(int id, const std::uint8_t (&octets)[4]) override {
        Send(Item(id), IPM_SETADDRESS, 0, MAKEIPADDRESS(octets[0], octets[1], octets[2], octets[3]));
    }
    int IpGet(int id, std::uint8_t (&octets)[4]) const override;
    void IpClear(int id) override { Send(Item(id), IPM_CLEARADDRESS); }
    bool IpIsBlank(int id) const override { return Send(Item(id), IPM_ISBLANK) != 0; }
    void IpFocusField(int id, int field) override { Send(Item(id), IPM_SETFOCUS, static_cast<WPARAM>(field)); }

    void SetButtonFace(int id, int bitmapResource) override;
    int ButtonFace(int id) const override;
    bool DrawBitmapFile(int id, const std::string& path) override;

    int MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
    void EndDialog(int result) override;
    void SetIcon(int iconResource) override;
    void AppendSystemMenuEntry(int command, const std::string& text) override;
    bool IsMinimized() const override { return IsIconic(hwnd_) != FALSE; }
    std::string LoadString(int id) const override;
    void SetStatusControl(int id) override { statusControl_ = id; }
    bool RunExchange(const std::string& status, const std::function<void()>& work) override;

private:
    friend class Win32Toolkit;
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR ControlColor(HDC dc, HWND control);
    bool DrawFace(const DRAWITEMSTRUCT& item);
    // The focus rectangle over a button's face, when it has the focus and the window shows
    // keyboard cues.
    void DrawFocus(HWND control, HDC dc, const RECT& area) const;
    // An id missing from the template is the caller's fault, which the headless tests report;
    // here it finds no window and the call does nothing.
    HWND Item(int id) const;
    HBRUSH Brush(Color color);
    HBITMAP FaceBitmap(int bitmapResource);
    // Input that would start another command while an exchange runs.
    bool IsCommandInput(const MSG& message) const;
    void RequestClose();
    void ShowWaitCursor(bool waiting) const;

    Dialog& dialog_;
    HINSTANCE resources_;
    HWND hwnd_ = nullptr;
    bool ended_ = false;
    int result_ = 0;
    HICON icon_ = nullptr;
    std::vector<std::pair<FontSpec, HFONT>> fonts_;  // one per distinct request
    std::vector<std::pair<Color, HBRUSH>> brushes_;  // one per colour
    std::map<int, HBITMAP> faceBitmaps_;              // by resource id
    std::map<int, int> faces_;                        // control id -> resource id
    std::map<int, std::string> imageFiles_;           // control id -> the file last drawn on it
    int focusRefuge_ = 0;
    int statusControl_ = 0;
    bool exchanging_ = false;
    bool closeRequested_ = false;
};

Win32Window::~Win32Window() {
    for (const auto& font : fonts_) DeleteObject(font.second);
    for (const auto& brush : brushes_) DeleteObject(brush.second);
    for (const auto& face : faceBitmaps_) DeleteObject(face.second);
}

INT_PTR CALLBACK Win32Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Win32Window*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = window;
    }
    // Messages before WM_INITDIALOG (the font, the creation) find no dialog yet.
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(window, DWLP_USER));
    return self ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        dialog_.Attach(this);
        return dialog_.OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
        // One command at a time: what a control reports during an exchange is dropped.
        if (!exchanging_) dialog_.OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!exchanging_) dialog_.OnNotify(static_cast<int>(header->idFrom), static_cast<int>(header->code));
        return FALSE;  // the controls' own handling of the notification goes on
    }
    case WM_SETCURSOR:
        if (!exchanging_) return FALSE;
        ShowWaitCursor(true);
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(hwnd_, &ps);
        Win32Paint paint(hwnd_, dc, resources_);
        dialog_.OnPaint(paint);
        EndPaint(hwnd_, &ps);
        return TRUE;
    }
    case WM_CLOSE:
        if (exchanging_) {
            RequestClose();
        } else {
            dialog_.OnClose();
        }
        return TRUE;
    case WM_SYSCOMMAND:
        // During an exchange the system's own commands (move, minimise, close) still work;
        // the program's own (the about entry) is dropped, as every other command is then.
        if (exchanging_ ? (wParam & 0xFFF0) >= SC_SIZE : !dialog_.OnSysCommand(static_cast<int>(wParam))) {
            return FALSE;
        }
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORMSGBOX:
        return ControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM:
        return DrawFace(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
    case WM_DPICHANGED: {
        // Where Windows suggests, then the program's own layout at the new DPI.
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        dialog_.OnDpiChanged();
        return TRUE;
    }
    case WM_QUERYDRAGICON:
        // One of the messages whose answer a dialog procedure returns directly.
        return reinterpret_cast<INT_PTR>(icon_);
    default:
        return FALSE;
    }
}

bool Win32Window::PreTranslate(const MSG& message) {
    if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) return false;
    const bool mouse = message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST;
    const bool key = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
    if (!mouse && !key) return false;

    InputMessage input;
    input.wParam = message.wParam;
    input.screen = {message.pt.x, message.pt.y};
    switch (message.message) {
    case WM_MOUSEMOVE: input.kind = InputMessage::Kind::MouseMove; break;
    case WM_LBUTTONDOWN: input.kind = InputMessage::Kind::LeftButtonDown; break;
    case WM_LBUTTONUP: input.kind = InputMessage::Kind::LeftButtonUp; break;
    case WM_KEYDOWN: input.kind = InputMessage::Kind::KeyDown; break;
    case WM_KEYUP: input.kind = InputMessage::Kind::KeyUp; break;
    case WM_CHAR: input.kind = InputMessage::Kind::Char; break;
    case WM_SYSKEYDOWN: input.kind = InputMessage::Kind::SysKeyDown; break;
    case WM_SYSKEYUP: input.kind = InputMessage::Kind::SysKeyUp; break;
    case WM_SYSCHAR: input.kind = InputMessage::Kind::SysChar; break;
    default: break;
    }
    if (mouse && message.message != WM_MOUSEWHEEL && message.message != WM_MOUSEHWHEEL) {
        // The message's own position, in the client coordinates of the window it is for; a
        // posted message's pt is only where the cursor happened to be.
        POINT at{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
        ClientToScreen(message.hwnd, &at);
        input.screen = {at.x, at.y};
    }
    return dialog_.PreTranslateMessage(input);
}

HWND Win32Window::Item(int id) const {
    if (id == 0) return hwnd_;
    if (id != kNoId) return GetDlgItem(hwnd_, id);
    // A template's -1 reads back as 0xFFFF or -1, depending on the template's form.
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int childId = GetDlgCtrlID(child);
        if (childId == kNoId || childId == kAnonymousId) return child;
    }
    return nullptr;
}

Rect Win32Window::Bounds(int id) const {
    RECT r{};
    GetWindowRect(Item(id), &r);
    if (id != 0) MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    return FromRect(r);
}

void Win32Window::SetFont(int id, const FontSpec& font) {
    auto found = std::find_if(fonts_.begin(), fonts_.end(), [&](const auto& f) { return f.first == font; });
    if (found == fonts_.end()) {
        const HFONT created = CreateFontA(font.height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE,
                                          static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face.c_str());
        if (!created) return;
        found = fonts_.insert(fonts_.end(), {font, created});
    }
    Send(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(found->second), TRUE);
}

FontSpec Win32Window::Font(int id) const {
    const auto current = reinterpret_cast<HFONT>(Send(Item(id), WM_GETFONT));
    for (const auto& font : fonts_) {
        if (font.second == current) return font.first;
    }
    return {};  // the template's font, not one the program asked for
}

int Win32Window::TextCharset() const {
    const HDC dc = GetDC(hwnd_);
    if (!dc) return ANSI_CHARSET;
    const int charset = GetTextCharset(dc);
    ReleaseDC(hwnd_, dc);
    return charset;
}

void Win32Window::LimitText(int id, int characters) {
    Send(Item(id), EM_LIMITTEXT, static_cast<WPARAM>(characters));
}

int Win32Window::Dpi() const {
    // GetDpiForWindow (Windows 10 1607 on) knows the window's monitor; before it, the system's.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && hwnd_) {
        if (const UINT dpi = getDpiForWindow(hwnd_)) return static_cast<int>(dpi);
    }
    const HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : kLayoutDpi;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : kLayoutDpi;
}

void Win32Window::Enable(int id, bool enabled) {
    const HWND control = Item(id);
    // A disabled window loses the focus, and nothing would have it: the keyboard would go dead.
    const bool hadFocus = !enabled && control && GetFocus() == control;
    EnableWindow(control, enabled);
    if (hadFocus && focusRefuge_ && focusRefuge_ != id) ::SetFocus(Item(focusRefuge_));
}

int Win32Window::FocusedControl() const {
    HWND focus = GetFocus();
    if (!focus || focus == hwnd_ || !IsChild(hwnd_, focus)) return 0;
    // The inner edit of a combo box or an address field stands for its control.
    while (GetParent(focus) != hwnd_) focus = GetParent(focus);
    return GetDlgCtrlID(focus);
}

int Win32Window::ControlAt(Point client) const {
    RECT area;
    GetClientRect(hwnd_, &area);
    const POINT at{client.x, client.y};
    if (!PtInRect(&area, at)) return -1;
    const HWND child = ChildWindowFromPointEx(hwnd_, at, CWP_SKIPINVISIBLE);
    if (!child) return -1;
    if (child == hwnd_) return 0;
    const int id = GetDlgCtrlID(child);
    // Labels without an id are part of the background.
    return id == kNoId || id == kAnonymousId ? 0 : id;
}

Point Win32Window::ScreenToClient(Point screen) const {
    POINT at{screen.x, screen.y};
    ::ScreenToClient(hwnd_, &at);
    return {at.x, at.y};
}

void Win32Window::ListInsertColumn(int id, int column, const std::string& heading, int width) {
    LVCOLUMNA lvc{};
    lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    lvc.fmt = LVCFMT_LEFT;
    lvc.cx = width;
    lvc.pszText = const_cast<char*>(heading.c_str());
    Send(Item(id), LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), Pointer(&lvc));
}

int Win32Window::ListInsertItem(int id, int row, const std::string& text) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(text.c_str());
    return static_cast<int>(Send(Item(id), LVM_INSERTITEMA, 0, Pointer(&item)));
}

void Win32Window::ListSetItemText(int id, int row, int column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    Send(Item(id), LVM_SETITEMTEXTA, static_cast<WPARAM>(row), Pointer(&item));
}

std::string Win32Window::ListItemText(int id, int row, int column) const {
    // The list view says only how much it copied: grow the buffer until the text fits.
    for (std::size_t size = 256;; size *= 2) {
        std::string text(size, '\0');
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(size);
        const auto length = static_cast<std::size_t>(
            std::max<LRESULT>(0, Send(Item(id), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), Pointer(&item))));
        if (length + 1 < size) {
            text.resize(length);
            return text;
        }
    }
}

void Win32Window::ListSelect(int id, int row) {
    const HWND list = Item(id);
    if (row < 0 || row >= static_cast<int>(Send(list, LVM_GETITEMCOUNT))) return;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), Pointer(&item));
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), Pointer(&item));
    Send(list, LVM_SETSELECTIONMARK, 0, row);
}

std::string Win32Window::ComboItem(int id, int index) const {
    const HWND combo = Item(id);
    const auto length = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length < 0) return "";
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const auto copied = Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), Pointer(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(0, copied)));
    return text;
}

void Win32Window::ComboSelect(int id, int index) {
    const HWND combo = Item(id);
    // Windows clears the selection for an index past the end; Wine keeps the old one.
    if (index >= static_cast<int>(Send(combo, CB_GETCOUNT))) index = -1;
    Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index));
}

int Win32Window::IpGet(int id, std::uint8_t (&octets)[4]) const {
    DWORD address = 0;
    const auto filled = Send(Item(id), IPM_GETADDRESS, 0, Pointer(&address));
    octets[0] = static_cast<std::uint8_t>(FIRST_IPADDRESS(address));
    octets[1] = static_cast<std::uint8_t>(SECOND_IPADDRESS(address));
    octets[2] = static_cast<std::uint8_t>(THIRD_IPADDRESS(address));
    octets[3] = static_cast<std::uint8_t>(FOURTH_IPADDRESS(address));
    return static_cast<int>(filled);
}

HBITMAP Win32Window::FaceBitmap(int bitmapResource) {
    const auto found = faceBitmaps_.find(bitmapResource);
    if (found != faceBitmaps_.end()) return found->second;
    const HBITMAP bitmap = LoadBitmapA(resources_, MAKEINTRESOURCEA(bitmapResource));
    if (bitmap) faceBitmaps_[bitmapResource] = bitmap;
    return bitmap;
}

void Win32Window::SetButtonFace(int id, int bitmapResource) {
    faces_[id] = bitmapResource;
    if (bitmapResource != 0) FaceBitmap(bitmapResource);
}

int Win32Window::ButtonFace(int id) const {
    const auto found = faces_.find(id);
    return found == faces_.end() ? 0 : found->second;
}

namespace {

// Copies a bitmap onto an area from its top-left corner, each pixel of the 96-DPI layout as
// dpi / 96 pixels.
void CopyBitmap(HDC dc, const RECT& area, HBITMAP bitmap, int dpi) {
    const HDC memory = CreateCompatibleDC(dc);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (dpi == kLayoutDpi) {
        BitBlt(dc, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
    } else {
        // Whole source pixels (colour-on-colour keeps the dithering of halftone away).
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, area.left, area.top, width, height, memory, 0, 0, width * kLayoutDpi / dpi,
                   height * kLayoutDpi / dpi, SRCCOPY);
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
}

HBITMAP LoadBitmapFile(const std::string& path) {
    return static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

}  // namespace

void Win32Window::DrawFocus(HWND control, HDC dc, const RECT& area) const {
    if (GetFocus() != control || (Send(control, WM_QUERYUISTATE) & UISF_HIDEFOCUS) != 0) return;
    // Inset as a push button's own focus rectangle is.
    RECT focus = area;
    const int inset = ScaleToDpi(3, Dpi());
    InflateRect(&focus, -inset, -inset);
    DrawFocusRect(dc, &focus);
}

bool Win32Window::DrawFace(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_BUTTON) return false;
    const int id = static_cast<int>(item.CtlID);
    const int face = ButtonFace(id);
    if (const HBITMAP bitmap = face ? FaceBitmap(face) : nullptr) {
        CopyBitmap(item.hDC, item.rcItem, bitmap, Dpi());
    } else if (item.itemAction == ODA_FOCUS) {
        // A button without a face wears what the program drew on it from a file: a change of
        // focus draws that again, so that the focus rectangle comes and goes over it.
        const auto file = imageFiles_.find(id);
        const HBITMAP image = file == imageFiles_.end() ? nullptr : LoadBitmapFile(file->second);
        if (!image) return true;
        CopyBitmap(item.hDC, item.rcItem, image, Dpi());
        DeleteObject(image);
    }
    DrawFocus(item.hwndItem, item.hDC, item.rcItem);
    return true;
}

bool Win32Window::DrawBitmapFile(int id, const std::string& path) {
    const HWND control = Item(id);
    if (!control) return false;
    const HBITMAP image = LoadBitmapFile(path);
    if (!image) return false;
    imageFiles_[id] = path;
    RECT client;
    GetClientRect(control, &client);
    const HDC dc = GetDC(control);
    CopyBitmap(dc, client, image, Dpi());
    DrawFocus(control, dc, client);
    ReleaseDC(control, dc);
    DeleteObject(image);
    // The button's own pending paint would draw its empty face over the picture.
    ValidateRect(control, nullptr);
    return true;
}

HBRUSH Win32Window::Brush(Color color) {
    for (const auto& brush : brushes_) {
        if (brush.first == color) return brush.second;
    }
    const HBRUSH created = CreateSolidBrush(ToColorRef(color));
    if (created) brushes_.emplace_back(color, created);
    return created;
}

INT_PTR Win32Window::ControlColor(HDC dc, HWND control) {
    const int id = control == hwnd_ ? 0 : GetDlgCtrlID(control);
    const std::optional<ControlColors> colors = dialog_.OnCtlColor(id);
    if (!colors) return FALSE;
    if (colors->transparentText) SetBkMode(dc, TRANSPARENT);
    // The brush is the answer itself, not a message result.
    return reinterpret_cast<INT_PTR>(Brush(colors->brush));
}

int Win32Window::MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
    UINT style = MB_OK;
    switch (icon) {
    case MessageIcon::Information: style |= MB_ICONINFORMATION; break;
    case MessageIcon::Warning: style |= MB_ICONEXCLAMATION; break;
    case MessageIcon::Error: style |= MB_ICONERROR; break;
    }
    return MessageBoxA(hwnd_, text.c_str(), caption.c_str(), style);
}

void Win32Window::EndDialog(int result) {
    if (ended_) return;
    ended_ = true;
    result_ = result;
    // Wakes the modal loop if the end came from inside another loop (a message box's).
    PostMessageA(hwnd_, WM_NULL, 0, 0);
}

void Win32Window::SetIcon(int iconResource) {
    icon_ = LoadIconA(resources_, MAKEINTRESOURCEA(iconResource));
    Send(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    Send(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
}

std::string Win32Window::LoadString(int id) const {
    // LoadStringA only says how much it copied: grow the buffer until the text fits.
    for (int size = 256;; size *= 2) {
        std::string text(static_cast<std::size_t>(size), '\0');
        const int length = LoadStringA(resources_, static_cast<UINT>(id), text.data(), size);
        if (length + 1 < size) {
            text.resize(static_cast<std::size_t>(std::max(0, length)));
            return text;
        }
    }
}

bool Win32Window::IsCommandInput(const MSG& message) const {
    if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) return false;
    switch (message.message) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDOWN: case WM_XBUTTONUP: case WM_XBUTTONDBLCLK:
    case WM_KEYDOWN: case WM_KEYUP: case WM_CHAR: case WM_DEADCHAR:
    case BM_CLICK:
        return true;
    default:
        // Alt+F4 (a system key) and clicks on the caption and its close box stay: the window
        // can always be moved and closed.
        return false;
    }
}

void Win32Window::RequestClose() {
    if (closeRequested_) return;
    closeRequested_ = true;
    dialog_.OnAbandonExchange();
}

void Win32Window::ShowWaitCursor(bool waiting) const {
    if (waiting) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return;
    }
    // Back to the arrow at once if the pointer is over the window; the controls set their own
    // at its next move.
    POINT at{};
    if (!GetCursorPos(&at)) return;
    const HWND under = WindowFromPoint(at);
    if (under == hwnd_ || IsChild(hwnd_, under)) SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

bool Win32Window::RunExchange(const std::string& status, const std::function<void()>& work) {
    if (exchanging_) {
        work();  // already inside one: the outer exchange's loop keeps the window live
        return !closeRequested_;
    }
    exchanging_ = true;
    closeRequested_ = false;
    if (statusControl_) SetText(statusControl_, status);
    // The first search runs while the dialog initialises: the window shows now, not after it.
    if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOWNORMAL);
    POINT at{};
    if (GetCursorPos(&at) && (WindowFromPoint(at) == hwnd_ || IsChild(hwnd_, WindowFromPoint(at)))) {
        ShowWaitCursor(true);
    }

    // The work runs on a worker; this thread keeps taking messages until the worker says it
    // is done (the posted message wakes the loop).
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    const HWND window = hwnd_;
    auto run = [&work, &done, &failure, window] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        PostMessageA(window, WM_NULL, 0, 0);
    };
    std::thread worker;
    try {
        worker = std::thread(run);
    } catch (const std::system_error&) {
        // No thread to be had: the exchange runs here, and the window waits for it as it did
        // before exchanges had a worker. Slower to answer, but nothing is lost.
        run();
    }
    bool quit = false;
    WPARAM quitCode = 0;
    MSG message;
    while (!done) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == -1) continue;
        if (got == 0) {
            // The session is ending: give up the exchange, and leave the quit for the loop
            // outside.
            quit = true;
            quitCode = message.wParam;
            RequestClose();
            continue;
        }
        if (IsCommandInput(message)) continue;
        if (message.message == WM_MOUSEMOVE && PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (worker.joinable()) worker.join();
    exchanging_ = false;
    if (statusControl_) SetText(statusControl_, "");
    ShowWaitCursor(false);
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    if (failure) std::rethrow_exception(failure);
    if (!closeRequested_) return true;
    dialog_.OnClose();
    return false;
}

void Win32Window::AppendSystemMenuEntry(int command, const std::string& text) {
    const HMENU menu = GetSystemMenu(hwnd_, FALSE);
    if (!menu) return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(command), text.c_str());
}

Win32Toolkit::Win32Toolkit(HINSTANCE__* resources) : resources_(resources) {}

int Win32Toolkit::RunModal(Dialog& dialog, Dialog* owner) {
    if (!commonControlsReady_) {
        INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES};
        commonControlsReady_ = InitCommonControlsEx(&classes) != FALSE;
    }
    HWND ownerWindow = nullptr;
    if (!owner && !open_.empty()) ownerWindow = open_.back()->hwnd();
    for (const Win32Window* open : open_) {
        if (&open->dialog_ == owner) ownerWindow = open->hwnd();
    }
    // As the classic frameworks do: the owner is disabled before the dialog exists, so the
    // dialog's initialisation already runs modally.
    const bool reenableOwner = ownerWindow && EnableWindow(ownerWindow, FALSE) == FALSE;

    Win32Window window(dialog, resources_);
    open_.push_back(&window);
    const HWND hwnd = CreateDialogParamA(resources_, MAKEINTRESOURCEA(dialog.templateId()), ownerWindow,
                                         &Win32Window::Procedure, reinterpret_cast<LPARAM>(&window));
    int result = -1;
    if (hwnd) {
        if (!window.ended()) ShowWindow(hwnd, SW_SHOWNORMAL);
        MSG message;
        while (!window.ended() && IsWindow(hwnd)) {
            const BOOL got = GetMessageA(&message, nullptr, 0, 0);
            if (got == 0) {
                // The session is ending: leave the quit for the loop outside, as if cancelled.
                PostQuitMessage(static_cast<int>(message.wParam));
                window.EndDialog(kIdCancel);
                break;
            }
            if (got == -1) break;
            // A click posted to a button that is disabled by the time it comes does nothing.
            if (message.message == BM_CLICK && !IsWindowEnabled(message.hwnd)) continue;
            if (window.PreTranslate(message)) continue;
            if (IsDialogMessageA(hwnd, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        result = window.ended() ? window.result() : kIdCancel;
        if (IsWindow(hwnd)) {
            SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        }
    }
    // The owner is enabled again before the dialog goes, so that it, not some other
    // program, becomes the active window.
    if (reenableOwner) EnableWindow(ownerWindow, TRUE);
    if (hwnd && ownerWindow && GetActiveWindow() == hwnd) SetActiveWindow(ownerWindow);
    if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
    open_.pop_back();
    dialog.Attach(nullptr);
    return result;
}

}  // namespace vidudi::toolkit

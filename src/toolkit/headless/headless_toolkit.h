#pragma once
// The dialog layer in memory: the controls of the resource script with the rules of their
// Windows counterparts (top index, selection mark, blank address fields, sorted combo boxes),
// driven by a test that plays the user. Message boxes are recorded and answered; each modal
// dialog runs the script the test gave for its template.
#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "toolkit/dialog.h"
#include "toolkit/headless/resource_script.h"

namespace vidudi::toolkit {

class HeadlessToolkit;

struct RecordedMessageBox {
    int dialog = 0;  // template id of the owner
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::Information;
    bool operator==(const RecordedMessageBox&) const = default;
};

// For test failure output.
std::ostream& operator<<(std::ostream& out, const RecordedMessageBox& message);

class HeadlessDialog final : public DialogWindow {
public:
    HeadlessDialog(HeadlessToolkit& toolkit, Dialog& dialog, const DialogTemplate& layout);

    Dialog& dialog() { return dialog_; }
    bool ended() const { return ended_; }
    int result() const { return result_; }

    // The user's actions. Like real input they reach only visible, enabled controls, and not
    // when the dialog's pre-translation consumes the button messages. `mouseKeys` are the
    // buttons and modifier keys the mouse messages carry (MK_SHIFT 4, MK_CONTROL 8...).
    void Click(int id, std::uintptr_t mouseKeys = 0);
    // A mouse click on a row of a list view; a row outside the list is a click on empty space.
    void ClickListRow(int id, int row, std::uintptr_t mouseKeys = 0);
    // Moves the selection (as the arrow keys do) without a click.
    void MoveListSelection(int id, int row);
    // Scrolls a list view so that `row` is the top visible row.
    void ScrollList(int id, int row);
    void ChooseComboItem(int id, int index);
    void TypeText(int id, const std::string& text);
    // "10.0.0.5"; an empty field ("10..0.5") stays blank.
    void TypeAddress(int id, const std::string& fields);
    // The pointer moves onto a control (its centre), onto the dialog's background (id 0) or
    // outside the window (id -1).
    void MoveMouseTo(int id);
    // The left button goes down, or up, over a control without completing a click.
    void MouseDown(int id) { Input(InputMessage::Kind::LeftButtonDown, id); }
    void MouseUp(int id) { Input(InputMessage::Kind::LeftButtonUp, id); }
    void PressKey(int key);
    void CloseBox();
    void SystemMenuCommand(int command);
    void Minimize(bool minimized);
    // The window moves to a monitor of another DPI.
    void ChangeDpi(int dpi);
    // Runs the paint handler, as after an invalidation.
    void Paint();

    // What the user sees beyond the controls' state.
    const std::string& ImageOn(int id) const;            // last bitmap file drawn on a control
    const std::vector<std::string>& pictures() const { return pictures_; }  // backgrounds drawn
    int icon() const { return icon_; }
    const std::vector<std::pair<int, std::string>>& systemMenuEntries() const { return systemMenu_; }
    int invalidations() const { return invalidations_; }
    // Rendering fails from now on (a broken display).
    void FailRendering(bool fail) { failRendering_ = fail; }

    // DialogWindow
    bool Exists(int id) const override;
    void Show(int id, bool shown) override;
    bool IsVisible(int id) const override;
    void Enable(int id, bool enabled) override;
    bool IsEnabled(int id) const override;
    void SetText(int id, const std::string& text) override;
    std::string Text(int id) const override;
    void Move(int id, const Rect& rect) override;
    Rect Bounds(int id) const override;
    void SetFont(int id, const FontSpec& font) override;
    FontSpec Font(int id) const override;
    int TextCharset() const override;
    void SetFocus(int id) override;
    int FocusedControl() const override { return focus_; }
    void SetFocusRefuge(int id) override { focusRefuge_ = id; }
    void LimitText(int id, int characters) override { State(id).limit = characters; }
    void Invalidate(int id) override;
    int ControlAt(Point client) const override;
    Point ScreenToClient(Point screen) const override;
    void PostClick(int id) override;
    int Dpi() const override { return dpi_; }
    void ListInsertColumn(int id, int column, const std::string& heading, int width) override;
    void ListSetColumnWidth(int id, int column, int width) override;
    void ListSetFullRowSelect(int id) override;
    int ListInsertItem(int id, int row, const std::string& text) override;
    void ListSetItemText(int id, int row, int column, const std::string& text) override;
    std::string ListItemText(int id, int row, int column) const override;
    int ListItemCount(int id) const override;
    void ListDeleteAll(int id) override;
    int ListSelectionMark(int id) const override;
    bool ListIsSelected(int id, int row) const override;
    void ListSelect(int id, int row) override;
    int ListTopIndex(int id) const override;
    int ComboAdd(int id, const std::string& text) override;
    void ComboReset(int id) override;
    int ComboCount(int id) const override;
    std::string ComboItem(int id, int index) const override;
    void ComboSelect(int id, int index) override;
    int ComboSelection(int id) const override;
    void IpSet(int id, const std::uint8_t (&octets)[4]) override;
    int IpGet(int id, std::uint8_t (&octets)[4]) const override;
    void IpClear(int id) override;
    bool IpIsBlank(int id) const override;
    void IpFocusField(int id, int field) override;
    void SetButtonFace(int id, int bitmapResource) override;
    int ButtonFace(int id) const override;
    bool DrawBitmapFile(int id, const std::string& path) override;
    int MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
    void EndDialog(int result) override;
    void SetIcon(int iconResource) override { icon_ = iconResource; }
    void AppendSystemMenuEntry(int command, const std::string& text) override;
    bool IsMinimized() const override { return minimized_; }
    std::string LoadString(int id) const override;
    void SetStatusControl(int id) override { statusControl_ = id; }
    // At once, in the caller's (virtual) time. The user can act meanwhile only from inside the
    // work, for instance from a peer of the simulated LAN: clicks and keys are ignored then,
    // and the close box abandons the exchange.
    bool RunExchange(const std::string& status, const std::function<void()>& work) override;
    bool exchanging() const { return exchanging_; }

    // List-view and address-field state for assertions.
    int ListColumnCount(int id) const;
    std::string ListColumnHeading(int id, int column) const;
    int ListColumnWidth(int id, int column) const;
    bool ListFullRowSelect(int id) const;
    int IpFocusedField(int id) const;

private:
    friend class HeadlessToolkit;
    struct ControlState {
        ControlTemplate layout;
        bool visible = true;
        bool enabled = true;
        std::string text;
        int limit = -1;  // edits: most characters taken, -1 no limit
        Rect rect;
        FontSpec font;
        // list views
        std::vector<std::pair<std::string, int>> columns;
        std::vector<std::vector<std::string>> rows;
        std::set<int> selected;
        int mark = -1;
        int topIndex = 0;
        bool fullRowSelect = false;
        // combo boxes
        std::vector<std::string> items;
        int selection = -1;
        // address fields, -1 blank
        int fields[4] = {-1, -1, -1, -1};
        int focusedField = -1;
        // bitmap buttons
        int face = 0;
        std::string image;
    };
    ControlState& State(int id);
    const ControlState& State(int id) const;
    bool Reachable(int id) const;
    // Runs what was posted meanwhile, as the message loop would.
    void DrainPosted();
    // Offers one input message to the pre-translation; true when it was consumed.
    bool Input(InputMessage::Kind kind, int id, std::uintptr_t wParam = 0);
    Point CentreOnScreen(int id) const;

    HeadlessToolkit& toolkit_;
    Dialog& dialog_;
    std::map<int, ControlState> controls_;
    std::vector<int> order_;  // creation order, the z-order of the children
    Rect window_;
    std::string caption_;
    int focus_ = 0;
    int focusRefuge_ = 0;
    int dpi_ = kLayoutDpi;
    bool ended_ = false;
    int result_ = 0;
    bool minimized_ = false;
    bool failRendering_ = false;
    int icon_ = 0;
    int invalidations_ = 0;
    int statusControl_ = 0;
    bool exchanging_ = false;
    bool closeRequested_ = false;
    std::deque<int> posted_;
    std::vector<std::string> pictures_;
    std::vector<std::pair<int, std::string>> systemMenu_;
};

class HeadlessToolkit final : public DialogBackend {
public:
    // The dialogs of the resource script; files the program reads ("res\x.bmp") are looked up
    // under fileRoot.
    HeadlessToolkit(const std::string& resourceScript, const std::string& resourceHeader,
                    std::string fileRoot);

    using Script = std::function<void(HeadlessDialog&)>;
    // The user's part in the next modal run of the template. Without a script a dialog is
    // cancelled as soon as it has initialised (the user pressed Escape).
    void OnModal(int templateId, Script script);
    int RunModal(Dialog& dialog, Dialog* owner) override;

    const std::vector<RecordedMessageBox>& messages() const { return messages_; }
    void ClearMessages() { messages_.clear(); }
    // The button the next message boxes are answered with (default OK).
    void AnswerMessages(int button) { answer_ = button; }
    // A click posted to a button that is disabled when it comes: Windows may drop it (the
    // default here), Wine runs it.
    void RunPostedClicksOnDisabledButtons(bool run) { runDisabledClicks_ = run; }
    // The character set of the display context's font in the windows made from now on (the
    // system's code page: 0 ANSI by default).
    void SetDisplayCharset(int charset) { displayCharset_ = charset; }
    // The DPI of the monitor the windows made from now on open on (96 by default).
    void SetDisplayDpi(int dpi) { displayDpi_ = dpi; }
    const ResourceScript& resources() const { return resources_; }
    // The status text of every exchange run so far, in order.
    const std::vector<std::string>& exchangeStatuses() const { return statuses_; }
    std::string ResolvePath(const std::string& path) const;
    int modalRuns(int templateId) const;
    // The innermost open dialog of a template, or nullptr: for checks made while a handler runs.
    HeadlessDialog* OpenDialog(int templateId) const;

private:
    friend class HeadlessDialog;
    ResourceScript resources_;
    std::string fileRoot_;
    std::map<int, std::deque<Script>> scripts_;
    std::map<int, int> runs_;
    std::vector<HeadlessDialog*> open_;
    std::vector<RecordedMessageBox> messages_;
    std::vector<std::string> statuses_;
    int answer_ = kIdOk;
    bool runDisabledClicks_ = false;
    int displayCharset_ = 0;
    int displayDpi_ = kLayoutDpi;
};

}  // namespace vidudi::toolkit

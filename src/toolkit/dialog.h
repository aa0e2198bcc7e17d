#pragma once
// Dialogs built from resource templates, and one small type per control kind over a common
// control base. The program's windows derive from Dialog and override the handlers they need;
// the backend (win32 or headless) shows them and calls the handlers.
#include <cstdint>
#include <optional>
#include <string>

#include "toolkit/dialog_window.h"
#include "toolkit/toolkit_types.h"

namespace vidudi::toolkit {

class Dialog;

// Makes dialog windows from their templates and runs them modally.
class DialogBackend {
public:
    virtual ~DialogBackend() = default;
    // Creates the window of `dialog`, runs its OnInitDialog, then its modal loop until
    // EndDialog; returns the result given to EndDialog.
    virtual int RunModal(Dialog& dialog, Dialog* owner) = 0;
};

// The backend every dialog goes through; set once at start-up (not owned).
void UseBackend(DialogBackend* backend);
DialogBackend& CurrentBackend();

class Control {
public:
    Control(DialogWindow& window, int id) : window_(&window), id_(id) {}
    int id() const { return id_; }
    void Show(bool shown) { window_->Show(id_, shown); }
    bool IsVisible() const { return window_->IsVisible(id_); }
    void Enable(bool enabled) { window_->Enable(id_, enabled); }
    bool IsEnabled() const { return window_->IsEnabled(id_); }
    void SetText(const std::string& text) { window_->SetText(id_, text); }
    std::string Text() const { return window_->Text(id_); }
    void Move(const Rect& rect) { window_->Move(id_, rect); }
    Rect Bounds() const { return window_->Bounds(id_); }
    void SetFont(const FontSpec& font) { window_->SetFont(id_, font); }
    void SetFocus() { window_->SetFocus(id_); }
    void Invalidate() { window_->Invalidate(id_); }

protected:
    DialogWindow* window_;
    int id_;
};

class Button : public Control {
public:
    using Control::Control;
    void PostClick() { window_->PostClick(id_); }
};

// A button whose face is a bitmap resource.
class BitmapButton : public Button {
public:
    using Button::Button;
    void LoadFace(int bitmapResource) { window_->SetButtonFace(id_, bitmapResource); }
    int Face() const { return window_->ButtonFace(id_); }
};

class ListView : public Control {
public:
    using Control::Control;
    void InsertColumn(int column, const std::string& heading, int width) {
        window_->ListInsertColumn(id_, column, heading, width);
    }
    void SetColumnWidth(int column, int width) { window_->ListSetColumnWidth(id_, column, width); }
    void SetFullRowSelect() { window_->ListSetFullRowSelect(id_); }
    int InsertItem(int row, const std::string& text) { return window_->ListInsertItem(id_, row, text); }
    void SetItemText(int row, int column, const std::string& text) {
        window_->ListSetItemText(id_, row, column, text);
    }
    std::string ItemText(int row, int column) const { return window_->ListItemText(id_, row, column); }
    int ItemCount() const { return window_->ListItemCount(id_); }
    void DeleteAllItems() { window_->ListDeleteAll(id_); }
    int SelectionMark() const { return window_->ListSelectionMark(id_); }
    bool IsSelected(int row) const { return window_->ListIsSelected(id_, row); }
    void Select(int row) { window_->ListSelect(id_, row); }
    int TopIndex() const { return window_->ListTopIndex(id_); }
    // The row a command acts on: the first selected row from the top visible row down. A
    // selected row scrolled out of view above is not seen. -1: none.
    int SelectedRowFromTop() const {
        for (int row = TopIndex(); row < ItemCount(); ++row) {
            if (IsSelected(row)) return row;
        }
        return -1;
    }
};

class ComboBox : public Control {
public:
    using Control::Control;
    int Add(const std::string& text) { return window_->ComboAdd(id_, text); }
    void ResetContent() { window_->ComboReset(id_); }
    int Count() const { return window_->ComboCount(id_); }
    std::string ItemText(int index) const { return window_->ComboItem(id_, index); }
    void Select(int index) { window_->ComboSelect(id_, index); }
    int Selection() const { return window_->ComboSelection(id_); }
};

class IpAddressControl : public Control {
public:
    using Control::Control;
    void SetAddress(const std::uint8_t (&octets)[4]) { window_->IpSet(id_, octets); }
    int GetAddress(std::uint8_t (&octets)[4]) const { return window_->IpGet(id_, octets); }
    void Clear() { window_->IpClear(id_); }
    bool IsBlank() const { return window_->IpIsBlank(id_); }
    void FocusField(int field) { window_->IpFocusField(id_, field); }
};

class Dialog {
public:
    explicit Dialog(int templateId) : templateId_(templateId) {}
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    int templateId() const { return templateId_; }
    // Runs the dialog modally over `owner`; returns what EndDialog was given.
    int DoModal(Dialog* owner = nullptr);
    void EndDialog(int result) { window_->EndDialog(result); }

    // Handlers, called by the backend on the dialog's thread.
    virtual bool OnInitDialog() { return true; }
    // Commands of controls. The default turns the OK and Cancel commands into OnOK / OnCancel.
    virtual void OnCommand(int id, int notification);
    virtual void OnNotify(int /*id*/, int /*code*/) {}
    virtual void OnPaint(PaintContext& /*paint*/) {}
    // The window has moved to a monitor of another DPI (window().Dpi() tells the new one).
    virtual void OnDpiChanged() {}
    virtual void OnOK() { EndDialog(kIdOk); }
    virtual void OnCancel() { EndDialog(kIdCancel); }
    // The close box, Alt+F4, Close in the system menu.
    virtual void OnClose() { OnCancel(); }
    // The window is being closed while an exchange runs: make its work end soon. Called on the
    // dialog's thread while the work still runs; OnClose follows once it has ended.
    virtual void OnAbandonExchange() {}
    // A system-menu command; false leaves it to the default handling.
    virtual bool OnSysCommand(int /*command*/) { return false; }
    // Seen before any input message is dispatched; true consumes it.
    virtual bool PreTranslateMessage(const InputMessage& /*message*/) { return false; }
    // Colour request of a control; nothing keeps the default colours.
    virtual std::optional<ControlColors> OnCtlColor(int /*id*/) { return std::nullopt; }

    // For the backend: the window while the dialog runs.
    void Attach(DialogWindow* window) { window_ = window; }
    DialogWindow& window() { return *window_; }
    bool IsOpen() const { return window_ != nullptr; }

protected:
    Control Item(int id) { return Control(*window_, id); }
    Button ButtonItem(int id) { return Button(*window_, id); }
    BitmapButton BitmapButtonItem(int id) { return BitmapButton(*window_, id); }
    ListView ListViewItem(int id) { return ListView(*window_, id); }
    ComboBox ComboBoxItem(int id) { return ComboBox(*window_, id); }
    IpAddressControl IpAddressItem(int id) { return IpAddressControl(*window_, id); }
    int MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
        return window_->MessageBox(text, caption, icon);
    }

private:
    int templateId_;
    DialogWindow* window_ = nullptr;
};

}  // namespace vidudi::toolkit

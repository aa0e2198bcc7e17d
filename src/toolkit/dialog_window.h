#pragma once
// One open dialog window, as a backend shows it: every operation the program needs on the
// dialog and its controls, controls addressed by id (0 is the dialog itself, kNoId the first
// control of the template without an id, as GetDlgItem finds it).
#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/toolkit_types.h"

namespace vidudi::toolkit {

class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    // Every control.
    virtual bool Exists(int id) const = 0;
    virtual void Show(int id, bool shown) = 0;
    virtual bool IsVisible(int id) const = 0;
    virtual void Enable(int id, bool enabled) = 0;
    virtual bool IsEnabled(int id) const = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    virtual std::string Text(int id) const = 0;
    // Client coordinates of the dialog for controls; for id 0 the window's outer rectangle on
    // the screen.
    virtual void Move(int id, const Rect& rect) = 0;
    virtual Rect Bounds(int id) const = 0;
    virtual void SetFont(int id, const FontSpec& font) = 0;
    virtual FontSpec Font(int id) const = 0;
    // The character set of the font that the window's display context currently holds: the
    // system's, which follows the code page (ANSI 0, Russian 204, Chinese 134...).
    virtual int TextCharset() const = 0;
    virtual void SetFocus(int id) = 0;
    virtual int FocusedControl() const = 0;
    // The control that takes the keyboard focus when the control holding it is disabled, so
    // that the keyboard keeps working (0: none). A backend without a keyboard focus ignores it.
    virtual void SetFocusRefuge(int /*id*/) {}
    // The most characters an edit control takes.
    virtual void LimitText(int id, int characters) = 0;
    // Asks for a repaint (with erase); id 0 is the whole window.
    virtual void Invalidate(int id) = 0;
    // The visible child at a point of the client area: its id, 0 for the dialog itself, -1
    // for a point outside the client area.
    virtual int ControlAt(Point client) const = 0;
    virtual Point ScreenToClient(Point screen) const = 0;
    // Posts (does not send) a click to a button: it is handled after the current message.
    virtual void PostClick(int id) = 0;

    // The dots per inch of the monitor the window is on; images and face bitmaps are drawn
    // scaled by it (Dpi() / 96).
    virtual int Dpi() const { return kLayoutDpi; }

    // Report-style list views.
    virtual void ListInsertColumn(int id, int column, const std::string& heading, int width) = 0;
    virtual void ListSetColumnWidth(int /*id*/, int /*column*/, int /*width*/) {}
    virtual void ListSetFullRowSelect(int id) = 0;
    virtual int ListInsertItem(int id, int row, const std::string& text) = 0;
    virtual void ListSetItemText(int id, int row, int column, const std::string& text) = 0;
    virtual std::string ListItemText(int id, int row, int column) const = 0;
    virtual int ListItemCount(int id) const = 0;
    virtual void ListDeleteAll(int id) = 0;
    virtual int ListSelectionMark(int id) const = 0;  // -1: none
    virtual bool ListIsSelected(int id, int row) const = 0;
    virtual void ListSelect(int id, int row) = 0;     // selects the row and marks it
    virtual int ListTopIndex(int id) const = 0;

    // Drop-down lists.
    virtual int ComboAdd(int id, const std::string& text) = 0;  // the index it landed at
    virtual void ComboReset(int id) = 0;
    virtual int ComboCount(int id) const = 0;
    virtual std::string ComboItem(int id, int index) const = 0;
    virtual void ComboSelect(int id, int index) = 0;  // -1: no selection
    virtual int ComboSelection(int id) const = 0;     // -1: none

    // IP-address controls: four fields, each possibly blank.
    virtual void IpSet(int id, const std::uint8_t (&octets)[4]) = 0;
    // Blank fields read as 0; returns the number of fields that are not blank.
    virtual int IpGet(int id, std::uint8_t (&octets)[4]) const = 0;
    virtual void IpClear(int id) = 0;
    virtual bool IpIsBlank(int id) const = 0;
    virtual void IpFocusField(int id, int field) = 0;

    // Bitmap buttons: the face comes from a bitmap resource (0: none).
    virtual void SetButtonFace(int id, int bitmapResource) = 0;
    virtual int ButtonFace(int id) const = 0;
    // Copies a bitmap file onto a control at its client origin, unstretched; false (and
    // nothing drawn) when the file cannot be loaded.
    virtual bool DrawBitmapFile(int id, const std::string& path) = 0;

    // The dialog window.
    virtual int MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
    virtual void EndDialog(int result) = 0;
    virtual void SetIcon(int iconResource) = 0;
    // A separator, then a string entry with the command.
    virtual void AppendSystemMenuEntry(int command, const std::string& text) = 0;
    virtual bool IsMinimized() const = 0;
    // A text of the module's string table ("" when there is none).
    virtual std::string LoadString(int id) const = 0;

    // Exchanges with the devices. The status control says what the running one is doing, and
    // is empty when none runs.
    virtual void SetStatusControl(int id) = 0;
    // Runs `work` while the window stays live: it repaints, answers, shows the wait cursor and
    // the status text, and ignores input commands (clicks, keys) rather than queueing them.
    // The work must not touch the window or what the window reads. False when the window was
    // closed meanwhile: the dialog was told to abandon the work, its OnClose has run once the
    // work ended, and the caller returns without another word.
    virtual bool RunExchange(const std::string& status, const std::function<void()>& work) = 0;
};

// What a paint handler draws with.
class PaintContext {
public:
    virtual ~PaintContext() = default;
    // Erases the background under the icon and draws it centred in the client area.
    virtual void DrawIconCentered(int iconResource) = 0;
    // Reads and decodes a picture file afresh and renders it over the whole client area.
    virtual PictureOutcome DrawPictureFile(const std::string& path) = 0;
};

}  // namespace vidudi::toolkit

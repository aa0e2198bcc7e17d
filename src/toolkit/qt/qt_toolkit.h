#pragma once
// The dialog layer over Qt 6 Widgets, for the Linux desktop: every dialog is built from the
// templates of res/vidudi.rc with the resource reader the headless backend uses, and every
// control then sits at the pixel place the program gives it. Only this backend and its tests
// include Qt headers.
#include <QDialog>
#include <QEventLoop>
#include <QPixmap>

#include <map>
#include <tuple>
#include <string>
#include <vector>

#include "toolkit/dialog.h"
#include "toolkit/headless/resource_script.h"

namespace vidudi::toolkit {

class QtToolkit;
class QtWindow;

// The top-level widget of one dialog: hands its paint, keys, close box and context menu to
// the window.
class DialogWidget final : public QDialog {
    Q_OBJECT
public:
    DialogWidget(QtWindow& window, QWidget* owner) : QDialog(owner), window_(window) {}

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QtWindow& window_;
};

class QtWindow final : public QObject, public DialogWindow {
    Q_OBJECT
public:
    QtWindow(QtToolkit& toolkit, Dialog& dialog, const DialogTemplate& layout, QWidget* owner);
    ~QtWindow() override;

    Dialog& dialog() { return dialog_; }
    DialogWidget& widget() { return *widget_; }
    bool ended() const { return ended_; }
    int result() const { return result_; }
    bool exchanging() const { return exchanging_; }
    // The widget of a control, nullptr for an id the template lacks; 0 is the dialog.
    QWidget* Widget(int id) const;
    // What the test and the paint handler look at.
    const std::vector<std::pair<int, std::string>>& systemMenuEntries() const { return systemMenu_; }
    // The picture files the last paints drew over the client area, in order.
    const std::vector<std::string>& pictures() const { return pictures_; }
    // Runs the modal loop until EndDialog.
    void Run();

    // From the dialog's widgets.
    void Command(int id, int notification);
    void Notify(int id, int code);
    void Paint(QPainter& painter);
    void KeyPressed(int key);
    void CloseBox();
    void SystemMenu(QPoint screen);

    bool Exists(int id) const override { return id == 0 || Widget(id) != nullptr; }
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
    // Qt draws every text in Unicode: the texts are UTF-8, whatever the locale.
    int TextCharset() const override { return 0; }
    void SetFocus(int id) override;
    int FocusedControl() const override;
    void LimitText(int id, int characters) override;
    void Invalidate(int id) override;
    int ControlAt(Point client) const override;
    Point ScreenToClient(Point screen) const override;
    void PostClick(int id) override;

    void ListInsertColumn(int id, int column, const std::string& heading, int width) override;
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
    void SetIcon(int iconResource) override;
    void AppendSystemMenuEntry(int command, const std::string& text) override;
    bool IsMinimized() const override;
    std::string LoadString(int id) const override;
    void SetStatusControl(int id) override { statusControl_ = id; }
    bool RunExchange(const std::string& status, const std::function<void()>& work) override;

    // Colours and input rules that need the dialog's answers once it has initialised.
    void ApplyControlColors();

protected:
    // Pre-translation of the input for the dialog's widgets, and the input dropped while an
    // exchange runs.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Control {
        ControlTemplate layout;
        QWidget* widget = nullptr;
        FontSpec font;
        bool fontSet = false;
        int face = 0;
        int mark = -1;  // list views: the selection mark
        std::vector<int> columnWidths;
    };
    void Build(const DialogTemplate& layout);
    QWidget* MakeControl(const ControlTemplate& control);
    Control* Find(int id);
    const Control* Find(int id) const;
    template <typename W>
    W* As(int id) const;
    void RequestClose();

    QtToolkit& toolkit_;
    Dialog& dialog_;
    DialogWidget* widget_;
    std::map<int, Control> controls_;
    std::vector<int> order_;  // creation order: the first control at a point is the one hit
    QEventLoop loop_;
    bool ended_ = false;
    int result_ = 0;
    bool exchanging_ = false;
    bool closeRequested_ = false;
    int statusControl_ = 0;
    QPixmap icon_;
    std::vector<std::pair<int, std::string>> systemMenu_;
    std::vector<std::string> pictures_;
    bool painting_ = false;
    std::map<int, std::pair<QPixmap, std::string>> pendingDrawn_;
    std::tuple<const QEvent*, int, quint64> lastInput_{nullptr, 0, 0};
};

class QtToolkit final : public DialogBackend {
public:
    // `resourceFolder` holds the resource script and its header (the program's vidudi.rc and
    // resource.h), the icon and face bitmaps the script names, and the images the program reads
    // at run time. Throws std::runtime_error when the script cannot be read. A QApplication
    // must exist.
    explicit QtToolkit(std::string resourceFolder, const std::string& script = "vidudi.rc",
                       const std::string& header = "resource.h");

    // The owner (or the innermost open dialog) gets the new dialog as a modal child.
    int RunModal(Dialog& dialog, Dialog* owner) override;

    // "res\x.bmp" as the program names its files, and the file names of the script, in the
    // resource folder.
    std::string ResolvePath(const std::string& path) const;
    const ResourceScript& resources() const { return resources_; }
    // The innermost open dialog of a template, or nullptr.
    QtWindow* OpenWindow(int templateId) const;

private:
    std::string folder_;
    ResourceScript resources_;
    std::vector<QtWindow*> open_;
};

}  // namespace vidudi::toolkit

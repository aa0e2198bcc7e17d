#include "toolkit/qt/qt_toolkit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "toolkit/qt/qt_controls.h"

namespace vidudi::toolkit {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

QRect ToQRect(const Rect& r) { return {r.left, r.top, r.width, r.height}; }

Rect FromQRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

// The Windows key codes the dialogs look for.
std::uintptr_t VirtualKeyOf(const QKeyEvent& key) {
    const int code = key.key();
    if (code >= Qt::Key_A && code <= Qt::Key_Z) return static_cast<std::uintptr_t>('A' + (code - Qt::Key_A));
    if (code >= Qt::Key_0 && code <= Qt::Key_9) return static_cast<std::uintptr_t>('0' + (code - Qt::Key_0));
    if (code >= Qt::Key_F1 && code <= Qt::Key_F24) return static_cast<std::uintptr_t>(0x70 + (code - Qt::Key_F1));
    switch (code) {
    case Qt::Key_Return: case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 9;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Space: return 32;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

class QtPaint final : public PaintContext {
public:
    QtPaint(QtToolkit& toolkit, QPainter& painter, QWidget& widget, const QPixmap& icon,
            std::vector<std::string>& pictures)
        : toolkit_(toolkit), painter_(painter), widget_(widget), icon_(icon), pictures_(pictures) {}

    void DrawIconCentered(int /*iconResource*/) override {
        painter_.fillRect(widget_.rect(), widget_.palette().window());
        const QPoint at((widget_.width() - icon_.width() + 1) / 2, (widget_.height() - icon_.height() + 1) / 2);
        painter_.drawPixmap(at, icon_);
        pictures_.push_back("<icon>");
    }

    PictureOutcome DrawPictureFile(const std::string& path) override {
        // Read afresh at every paint, as the Windows program does: a file replaced meanwhile shows.
        QFile file(FromUtf8(toolkit_.ResolvePath(path)));
        if (!file.open(QIODevice::ReadOnly)) return PictureOutcome::CannotOpen;
        const QByteArray bytes = file.readAll();
        if (bytes.isEmpty()) return PictureOutcome::EmptyFile;
        QImage picture;
        if (!picture.loadFromData(bytes)) return PictureOutcome::CannotLoad;
        painter_.drawImage(widget_.rect(), picture);
        pictures_.push_back(path);
        return PictureOutcome::Drawn;
    }

private:
    QtToolkit& toolkit_;
    QPainter& painter_;
    QWidget& widget_;
    const QPixmap& icon_;
    std::vector<std::string>& pictures_;
};

}  // namespace

void DialogWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    window_.Paint(painter);
}

void DialogWidget::keyPressEvent(QKeyEvent* event) { window_.KeyPressed(event->key()); }

void DialogWidget::closeEvent(QCloseEvent* event) {
    // The dialog decides: it ends itself, or an exchange is abandoned first.
    event->ignore();
    window_.CloseBox();
}

void DialogWidget::contextMenuEvent(QContextMenuEvent* event) { window_.SystemMenu(event->globalPos()); }

QtWindow::QtWindow(QtToolkit& toolkit, Dialog& dialog, const DialogTemplate& layout, QWidget* owner)
    : toolkit_(toolkit), dialog_(dialog), widget_(new DialogWidget(*this, owner)) {
    Build(layout);
    qApp->installEventFilter(this);
}

QtWindow::~QtWindow() {
    qApp->removeEventFilter(this);
    delete widget_;
}

void QtWindow::Build(const DialogTemplate& layout) {
    widget_->setWindowTitle(FromUtf8(layout.caption));
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint;
    // The main window can be minimised; dialogs over it cannot.
    if (!widget_->parentWidget()) flags |= Qt::WindowMinimizeButtonHint;
    widget_->setWindowFlags(flags);
    const Rect pixels = DialogUnitsToPixels(layout.units);
    widget_->setFixedSize(pixels.width, pixels.height);
    // A dialog opens at its template's place in its owner's client area, as on Windows.
    if (QWidget* owner = widget_->parentWidget()) widget_->move(owner->mapToGlobal(QPoint(pixels.left, pixels.top)));
    for (const ControlTemplate& control : layout.controls) {
        QWidget* made = MakeControl(control);
        made->setGeometry(ToQRect(DialogUnitsToPixels(control.units)));
        made->setVisible(control.visible);
        made->setEnabled(control.enabled);
        // Of the controls without an id only the first can be addressed (as kNoId), as
        // GetDlgItem finds it; the others are plain statics.
        if (control.id < 0 && (control.id != kNoId || controls_.count(kNoId))) continue;
        // Outside tools (the window's tests, the UI driver) find a control by its resource id.
        if (control.id >= 0) made->setAccessibleDescription(QString::number(control.id));
        Control entry;
        entry.layout = control;
        entry.widget = made;
        controls_[control.id] = entry;
        order_.push_back(control.id);
    }
    widget_->setMouseTracking(true);
    for (QWidget* child : widget_->findChildren<QWidget*>()) child->setMouseTracking(true);
}

QWidget* QtWindow::MakeControl(const ControlTemplate& control) {
    const int id = control.id;
    switch (control.kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(FromUtf8(control.text), widget_);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        const Qt::Alignment across = control.align == 'C' ? Qt::AlignHCenter
                                     : control.align == 'R' ? Qt::AlignRight
                                                            : Qt::AlignLeft;
        label->setAlignment(across | Qt::AlignTop);
        return label;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(widget_);
        const auto file = toolkit_.resources().files.find(control.icon);
        if (file != toolkit_.resources().files.end()) {
            label->setPixmap(QIcon(FromUtf8(toolkit_.ResolvePath(file->second))).pixmap(32, 32));
        }
        return label;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(widget_);
        if (control.password) edit->setEchoMode(QLineEdit::Password);
        return edit;
    }
    case ControlKind::Button: {
        QAbstractButton* button = nullptr;
        if (control.ownerDrawn) {
            button = new FaceButton(widget_);
        } else {
            auto* push = new QPushButton(widget_);
            push->setAutoDefault(false);  // Return is the dialog's: its OK command
            button = push;
        }
        button->setText(FromUtf8(control.text));
        connect(button, &QAbstractButton::clicked, this, [this, id] { Command(id, kButtonClicked); });
        return button;
    }
    case ControlKind::ListView: {
        auto* list = new ReportList(widget_);
        connect(list, &ReportList::Clicked, this, [this, id] { Notify(id, kListClick); });
        // The selection mark is the row selected last, by click, key or program; clearing the
        // selection keeps it.
        connect(list, &QTreeWidget::itemSelectionChanged, this, [this, id, list] {
            const QList<QTreeWidgetItem*> selected = list->selectedItems();
            if (!selected.isEmpty()) Find(id)->mark = list->indexOfTopLevelItem(selected.front());
        });
        return list;
    }
    case ControlKind::ComboBox: {
        auto* combo = new QComboBox(widget_);
        // The user's choice only, as the selection-change notification is.
        connect(combo, &QComboBox::activated, this, [this, id] { Command(id, kComboSelChange); });
        return combo;
    }
    case ControlKind::IpAddress: return new IpAddressEdit(widget_);
    case ControlKind::Other: break;
    }
    return new QWidget(widget_);
}

QtWindow::Control* QtWindow::Find(int id) {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

const QtWindow::Control* QtWindow::Find(int id) const { return const_cast<QtWindow*>(this)->Find(id); }

QWidget* QtWindow::Widget(int id) const {
    if (id == 0) return widget_;
    const Control* control = Find(id);
    return control ? control->widget : nullptr;
}

// The widget of a control of the kind asked for; nullptr when the id is missing or of another
// kind, which makes the call do nothing, as a message to a missing window does on Windows.
template <typename W>
W* QtWindow::As(int id) const {
    return qobject_cast<W*>(Widget(id));
}

void QtWindow::Run() {
    if (!ended_) loop_.exec();
}

void QtWindow::ApplyControlColors() {
    for (auto& [id, control] : controls_) {
        if (control.layout.kind != ControlKind::Static) continue;
        const std::optional<ControlColors> colors = dialog_.OnCtlColor(id);
        if (!colors) continue;
        control.widget->setAutoFillBackground(true);
        QPalette palette = control.widget->palette();
        palette.setColor(QPalette::Window, QColor(colors->brush.red, colors->brush.green, colors->brush.blue));
        control.widget->setPalette(palette);
    }
}

void QtWindow::Command(int id, int notification) {
    // One command at a time: what a control reports during an exchange is dropped.
    if (ended_ || exchanging_) return;
    dialog_.OnCommand(id, notification);
}

void QtWindow::Notify(int id, int code) {
    if (ended_ || exchanging_) return;
    dialog_.OnNotify(id, code);
}

void QtWindow::Paint(QPainter& painter) {
    QtPaint paint(toolkit_, painter, *widget_, icon_, pictures_);
    painting_ = true;
    dialog_.OnPaint(paint);
    painting_ = false;
    for (auto& [id, drawn] : pendingDrawn_) {
        if (auto* button = As<FaceButton>(id)) button->SetDrawn(drawn.first, drawn.second);
    }
    pendingDrawn_.clear();
}

void QtWindow::KeyPressed(int key) {
    if (ended_ || exchanging_) return;
    // The dialog manager's keyboard rules: Return is the default button, Escape is Cancel.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) dialog_.OnCommand(kIdOk, kButtonClicked);
    if (key == Qt::Key_Escape) dialog_.OnCommand(kIdCancel, kButtonClicked);
}

void QtWindow::CloseBox() {
    if (ended_) return;
    if (exchanging_) {
        RequestClose();
        return;
    }
    if (!dialog_.OnSysCommand(kSysCommandClose)) dialog_.OnClose();
}

void QtWindow::RequestClose() {
    if (closeRequested_) return;
    closeRequested_ = true;
    dialog_.OnAbandonExchange();
}

void QtWindow::SystemMenu(QPoint screen) {
    // Linux window managers keep the window menu to themselves: the program's entries show on
    // a right click on the window's background instead. They wait while an exchange runs.
    if (ended_ || exchanging_ || systemMenu_.empty()) return;
    QMenu menu(widget_);
    for (const auto& [command, text] : systemMenu_) {
        if (command == 0) {
            menu.addSeparator();
            continue;
        }
        const int chosen = command;
        menu.addAction(FromUtf8(text), this, [this, chosen] {
            if (!ended_ && !exchanging_) dialog_.OnSysCommand(chosen);
        });
    }
    menu.exec(screen);
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
    // Every event of the application passes here: the cheap test first.
    const QEvent::Type type = event->type();
    const bool mouse = type == QEvent::MouseMove || type == QEvent::MouseButtonPress ||
                       type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick;
    const bool key = type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride;
    if (!mouse && !key) return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || target->window() != widget_) return false;
    // Input that would start another command while an exchange runs is dropped, not queued;
    // the pointer's moves still reach the hover faces.
    if (exchanging_ && type != QEvent::MouseMove) return true;
    if (type == QEvent::KeyRelease || type == QEvent::ShortcutOverride || type == QEvent::MouseButtonDblClick) {
        return false;
    }
    // An event that a child ignores travels on to its parents: the dialog sees it once.
    const auto* input = static_cast<QInputEvent*>(event);
    const std::tuple<const QEvent*, int, quint64> seen{event, static_cast<int>(type), input->timestamp()};
    if (seen == lastInput_) return false;
    lastInput_ = seen;

    InputMessage message;
    if (mouse) {
        const auto* pointer = static_cast<QMouseEvent*>(event);
        if (type != QEvent::MouseMove && pointer->button() != Qt::LeftButton) return false;
        message.kind = type == QEvent::MouseMove           ? InputMessage::Kind::MouseMove
                       : type == QEvent::MouseButtonPress ? InputMessage::Kind::LeftButtonDown
                                                          : InputMessage::Kind::LeftButtonUp;
        const QPoint at = pointer->globalPosition().toPoint();
        message.screen = {at.x(), at.y()};
    } else {
        message.kind = InputMessage::Kind::KeyDown;
        message.wParam = VirtualKeyOf(*static_cast<QKeyEvent*>(event));
    }
    return dialog_.PreTranslateMessage(message);
}

void QtWindow::Show(int id, bool shown) {
    if (QWidget* w = Widget(id)) w->setVisible(shown);
}

bool QtWindow::IsVisible(int id) const {
    // The control's own flag: the dialog itself is hidden until its initialisation has run.
    const QWidget* w = Widget(id);
    return w && !w->isHidden();
}

void QtWindow::Enable(int id, bool enabled) {
    if (QWidget* w = Widget(id)) w->setEnabled(enabled);
}

bool QtWindow::IsEnabled(int id) const {
    const QWidget* w = Widget(id);
    return w && w->isEnabled();
}

void QtWindow::SetText(int id, const std::string& text) {
    QWidget* w = Widget(id);
    if (w == widget_) {
        widget_->setWindowTitle(FromUtf8(text));
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(FromUtf8(text));
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(FromUtf8(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(FromUtf8(text));
    }
}

std::string QtWindow::Text(int id) const {
    const QWidget* w = Widget(id);
    if (w == widget_) return ToUtf8(widget_->windowTitle());
    if (const auto* label = qobject_cast<const QLabel*>(w)) return ToUtf8(label->text());
    if (const auto* edit = qobject_cast<const QLineEdit*>(w)) return ToUtf8(edit->text());
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) return ToUtf8(button->text());
    // A drop-down list's text is its selected item.
    if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
        return combo->currentIndex() >= 0 ? ToUtf8(combo->currentText()) : "";
    }
    return "";
}

void QtWindow::Move(int id, const Rect& rect) {
    QWidget* w = Widget(id);
    if (!w) return;
    if (w == widget_) {
        widget_->move(rect.left, rect.top);
        widget_->setFixedSize(std::max(1, rect.width), std::max(1, rect.height));
        return;
    }
    QRect place = ToQRect(rect);
    // A drop-down list is given the height of its open list; closed it is one line high.
    if (auto* combo = qobject_cast<QComboBox*>(w)) place.setHeight(std::min(rect.height, combo->sizeHint().height()));
    w->setGeometry(place);
}

Rect QtWindow::Bounds(int id) const {
    const QWidget* w = Widget(id);
    if (!w) return {};
    return FromQRect(w == widget_ ? widget_->frameGeometry() : w->geometry());
}

void QtWindow::SetFont(int id, const FontSpec& font) {
    Control* control = Find(id);
    if (!control) return;
    QFont qfont;
    // Where the face is missing, a narrow sans: the labels then keep within the widths they
    // were given for the Windows fonts instead of wrapping.
    qfont.setFamilies({FromUtf8(font.face), "DejaVu Sans Condensed", "Liberation Sans Narrow"});
    if (font.height > 0) qfont.setPixelSize(font.height);
    // Qt weighs fonts on the same 100 to 900 scale as Windows.
    qfont.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 100, 900)));
    control->widget->setFont(qfont);
    control->font = font;
    control->fontSet = true;
}

FontSpec QtWindow::Font(int id) const {
    const Control* control = Find(id);
    return control && control->fontSet ? control->font : FontSpec{};
}

void QtWindow::SetFocus(int id) {
    if (QWidget* w = Widget(id)) w->setFocus();
}

int QtWindow::FocusedControl() const {
    // The window's own focus, which it keeps while another window is active. The inner field
    // of a combo box or an address control stands for its control.
    for (QWidget* focus = widget_->focusWidget(); focus && focus != widget_; focus = focus->parentWidget()) {
        for (const auto& [id, control] : controls_) {
            if (control.widget == focus) return id;
        }
    }
    return 0;
}

void QtWindow::LimitText(int id, int characters) {
    if (auto* edit = As<QLineEdit>(id); edit && characters > 0) edit->setMaxLength(characters);
}

void QtWindow::Invalidate(int id) {
    if (QWidget* w = Widget(id)) w->update();
}

int QtWindow::ControlAt(Point client) const {
    if (!widget_->rect().contains(client.x, client.y)) return -1;
    for (int id : order_) {
        const QWidget* w = controls_.at(id).widget;
        if (!w->isHidden() && w->geometry().contains(client.x, client.y)) return id == kNoId ? 0 : id;
    }
    return 0;
}

Point QtWindow::ScreenToClient(Point screen) const {
    const QPoint at = widget_->mapFromGlobal(QPoint(screen.x, screen.y));
    return {at.x(), at.y()};
}

void QtWindow::PostClick(int id) {
    // Handled after the current event, and like a real click only if the button is still
    // enabled then and no exchange runs.
    QMetaObject::invokeMethod(
        widget_,
        [this, id] {
            const QWidget* w = Widget(id);
            if (w && w->isEnabled()) Command(id, kButtonClicked);
        },
        Qt::QueuedConnection);
}

void QtWindow::ListInsertColumn(int id, int column, const std::string& heading, int width) {
    Control* control = Find(id);
    auto* list = As<ReportList>(id);
    if (!control || !list) return;
    QStringList headings;
    for (int c = 0; c < static_cast<int>(control->columnWidths.size()); ++c) headings << list->headerItem()->text(c);
    const int at = std::clamp(column, 0, static_cast<int>(headings.size()));
    headings.insert(at, FromUtf8(heading));
    control->columnWidths.insert(control->columnWidths.begin() + at, width);
    list->setColumnCount(static_cast<int>(headings.size()));
    list->setHeaderLabels(headings);
    for (int c = 0; c < static_cast<int>(control->columnWidths.size()); ++c) {
        list->setColumnWidth(c, control->columnWidths[static_cast<std::size_t>(c)]);
    }
}

void QtWindow::ListSetFullRowSelect(int /*id*/) {
    // A Qt list of this kind always selects whole rows.
}

int QtWindow::ListInsertItem(int id, int row, const std::string& text) {
    auto* list = As<ReportList>(id);
    if (!list) return -1;
    const int at = std::clamp(row, 0, list->topLevelItemCount());
    auto* item = new QTreeWidgetItem();
    item->setText(0, FromUtf8(text));
    list->insertTopLevelItem(at, item);
    Control& control = *Find(id);
    if (control.mark >= at) ++control.mark;  // the mark moves with its row
    return at;
}

void QtWindow::ListSetItemText(int id, int row, int column, const std::string& text) {
    auto* list = As<ReportList>(id);
    if (!list || column < 0) return;
    if (QTreeWidgetItem* item = list->topLevelItem(row)) item->setText(column, FromUtf8(text));
}

std::string QtWindow::ListItemText(int id, int row, int column) const {
    const auto* list = As<ReportList>(id);
    if (!list || column < 0) return "";
    const QTreeWidgetItem* item = list->topLevelItem(row);
    return item ? ToUtf8(item->text(column)) : "";
}

int QtWindow::ListItemCount(int id) const {
    const auto* list = As<ReportList>(id);
    return list ? list->topLevelItemCount() : 0;
}

void QtWindow::ListDeleteAll(int id) {
    auto* list = As<ReportList>(id);
    if (!list) return;
    list->clear();
    Find(id)->mark = -1;
}

int QtWindow::ListSelectionMark(int id) const {
    const Control* control = Find(id);
    return control && As<ReportList>(id) ? control->mark : -1;
}

bool QtWindow::ListIsSelected(int id, int row) const {
    const auto* list = As<ReportList>(id);
    const QTreeWidgetItem* item = list ? list->topLevelItem(row) : nullptr;
    return item && item->isSelected();
}

void QtWindow::ListSelect(int id, int row) {
    auto* list = As<ReportList>(id);
    QTreeWidgetItem* item = list ? list->topLevelItem(row) : nullptr;
    if (!item) return;
    list->clearSelection();
    list->setCurrentItem(item);
    item->setSelected(true);
    Find(id)->mark = row;
}

int QtWindow::ListTopIndex(int id) const {
    const auto* list = As<ReportList>(id);
    if (!list) return 0;
    const QModelIndex top = list->indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

int QtWindow::ComboAdd(int id, const std::string& text) {
    Control* control = Find(id);
    auto* combo = As<QComboBox>(id);
    if (!control || !combo) return -1;
    int at = combo->count();
    if (control->layout.sorted) {
        std::vector<std::string> items;
        for (int i = 0; i < combo->count(); ++i) items.push_back(ToUtf8(combo->itemText(i)));
        at = static_cast<int>(std::upper_bound(items.begin(), items.end(), text, LessIgnoringCase) - items.begin());
    }
    const int selected = combo->currentIndex();
    combo->insertItem(at, FromUtf8(text));
    // Qt selects the first item put into an empty list; the Windows list stays unselected.
    if (selected < 0) combo->setCurrentIndex(-1);
    return at;
}

void QtWindow::ComboReset(int id) {
    if (auto* combo = As<QComboBox>(id)) combo->clear();
}

int QtWindow::ComboCount(int id) const {
    const auto* combo = As<QComboBox>(id);
    return combo ? combo->count() : 0;
}

std::string QtWindow::ComboItem(int id, int index) const {
    const auto* combo = As<QComboBox>(id);
    return combo && index >= 0 && index < combo->count() ? ToUtf8(combo->itemText(index)) : "";
}

void QtWindow::ComboSelect(int id, int index) {
    auto* combo = As<QComboBox>(id);
    if (!combo) return;
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int QtWindow::ComboSelection(int id) const {
    const auto* combo = As<QComboBox>(id);
    return combo ? combo->currentIndex() : -1;
}

void QtWindow::IpSet(int id, const std::uint8_t (&octets)[4]) {
    if (auto* ip = As<IpAddressEdit>(id)) {
        for (int field = 0; field < 4; ++field) ip->SetField(field, octets[field]);
    }
}

int QtWindow::IpGet(int id, std::uint8_t (&octets)[4]) const {
    const auto* ip = As<IpAddressEdit>(id);
    int filled = 0;
    for (int field = 0; field < 4; ++field) {
        const int value = ip ? ip->Field(field) : -1;
        octets[field] = static_cast<std::uint8_t>(value < 0 ? 0 : value);
        filled += value >= 0;
    }
    return filled;
}

void QtWindow::IpClear(int id) {
    if (auto* ip = As<IpAddressEdit>(id)) {
        for (int field = 0; field < 4; ++field) ip->SetField(field, -1);
    }
}

bool QtWindow::IpIsBlank(int id) const {
    const auto* ip = As<IpAddressEdit>(id);
    if (!ip) return true;
    for (int field = 0; field < 4; ++field) {
        if (ip->Field(field) >= 0) return false;
    }
    return true;
}

void QtWindow::IpFocusField(int id, int field) {
    if (auto* ip = As<IpAddressEdit>(id)) ip->FocusField(field);
}

void QtWindow::SetButtonFace(int id, int bitmapResource) {
    Control* control = Find(id);
    auto* button = As<FaceButton>(id);
    if (!control || !button) return;
    control->face = bitmapResource;
    QPixmap face;
    const auto file = toolkit_.resources().files.find(bitmapResource);
    if (bitmapResource != 0 && file != toolkit_.resources().files.end()) {
        face.load(FromUtf8(toolkit_.ResolvePath(file->second)), "BMP");
    }
    button->SetFace(face);
}

int QtWindow::ButtonFace(int id) const {
    const Control* control = Find(id);
    return control && As<FaceButton>(id) ? control->face : 0;
}

bool QtWindow::DrawBitmapFile(int id, const std::string& path) {
    auto* button = As<FaceButton>(id);
    if (!button) return false;
    QPixmap picture;
    if (!picture.load(FromUtf8(toolkit_.ResolvePath(path)), "BMP")) return false;
    if (painting_) {
        // Drawn in the dialog's paint: only the last picture of this paint counts, and the
        // button repaints after it only if that one is new.
        pendingDrawn_[id] = {picture, path};
    } else {
        button->SetDrawn(picture, path);
    }
    return true;
}

int QtWindow::MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
    QMessageBox::Icon shown = QMessageBox::Information;
    switch (icon) {
    case MessageIcon::Information: shown = QMessageBox::Information; break;
    case MessageIcon::Warning: shown = QMessageBox::Warning; break;
    case MessageIcon::Error: shown = QMessageBox::Critical; break;
    }
    QMessageBox box(shown, FromUtf8(caption), FromUtf8(text), QMessageBox::Ok, widget_);
    box.setWindowModality(Qt::WindowModal);
    box.exec();
    return kIdOk;
}

void QtWindow::EndDialog(int result) {
    if (ended_) return;
    ended_ = true;
    result_ = result;
    // Ends the modal loop once whatever loop runs inside it (a message box's) has returned.
    loop_.quit();
}

void QtWindow::SetIcon(int iconResource) {
    const auto file = toolkit_.resources().files.find(iconResource);
    if (file == toolkit_.resources().files.end()) return;
    const QIcon icon(FromUtf8(toolkit_.ResolvePath(file->second)));
    widget_->setWindowIcon(icon);
    icon_ = icon.pixmap(32, 32);
}

void QtWindow::AppendSystemMenuEntry(int command, const std::string& text) {
    systemMenu_.emplace_back(0, "");  // the separator
    systemMenu_.emplace_back(command, text);
}

bool QtWindow::IsMinimized() const { return widget_->isMinimized(); }

std::string QtWindow::LoadString(int id) const {
    const auto found = toolkit_.resources().strings.find(id);
    return found == toolkit_.resources().strings.end() ? "" : found->second;
}

bool QtWindow::RunExchange(const std::string& status, const std::function<void()>& work) {
    if (exchanging_) {
        work();  // already inside one: the outer exchange's loop keeps the window live
        return !closeRequested_;
    }
    exchanging_ = true;
    closeRequested_ = false;
    if (statusControl_) SetText(statusControl_, status);
    // The first search runs while the dialog initialises: the window shows now, not after it.
    if (!widget_->isVisible()) widget_->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);

    // The work runs on a worker; this thread runs the event loop until the worker says it is
    // done (its queued call ends the loop).
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    QEventLoop waiting;
    auto run = [&work, &done, &failure, &waiting] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        QMetaObject::invokeMethod(&waiting, [&waiting] { waiting.quit(); }, Qt::QueuedConnection);
    };
    std::thread worker;
    try {
        worker = std::thread(run);
    } catch (const std::system_error&) {
        // No thread to be had: the exchange runs here, and the window waits for it. Slower to
        // answer, but nothing is lost.
        run();
    }
    while (!done) waiting.exec();
    if (worker.joinable()) worker.join();
    // The worker's call to end the loop may still be queued: let it go before `waiting` does.
    QCoreApplication::sendPostedEvents(&waiting);
    exchanging_ = false;
    if (statusControl_) SetText(statusControl_, "");
    QApplication::restoreOverrideCursor();
    if (failure) std::rethrow_exception(failure);
    if (!closeRequested_) return true;
    dialog_.OnClose();
    return false;
}

QtToolkit::QtToolkit(std::string resourceFolder, const std::string& script, const std::string& header)
    : folder_(std::move(resourceFolder)),
      resources_(LoadResourceScript(folder_ + "/" + script, folder_ + "/" + header)) {}

std::string QtToolkit::ResolvePath(const std::string& path) const {
    std::string local = path;
    std::replace(local.begin(), local.end(), '\\', '/');
    if (!local.empty() && local.front() == '/') return local;
    // The program names its run-time images "res\x.bmp", relative to the folder it runs in.
    if (local.rfind("res/", 0) == 0) local = local.substr(4);
    return folder_ + "/" + local;
}

QtWindow* QtToolkit::OpenWindow(int templateId) const {
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        if ((*it)->dialog().templateId() == templateId) return *it;
    }
    return nullptr;
}

int QtToolkit::RunModal(Dialog& dialog, Dialog* owner) {
    const auto layout = resources_.dialogs.find(dialog.templateId());
    if (layout == resources_.dialogs.end()) return -1;  // as DialogBox answers a missing template
    QWidget* ownerWidget = nullptr;
    if (!open_.empty()) ownerWidget = &open_.back()->widget();
    for (QtWindow* open : open_) {
        if (&open->dialog() == owner) ownerWidget = &open->widget();
    }
    QtWindow window(*this, dialog, layout->second, ownerWidget);
    // The dialog is modal from its initialisation on: nothing else of the program takes input.
    if (ownerWidget) window.widget().setWindowModality(Qt::ApplicationModal);
    struct Opened {
        std::vector<QtWindow*>& open;
        Dialog& dialog;
        ~Opened() {
            dialog.Attach(nullptr);
            open.pop_back();
        }
    } opened{open_, dialog};
    open_.push_back(&window);
    dialog.Attach(&window);
    dialog.OnInitDialog();
    window.ApplyControlColors();
    if (!window.ended()) {
        window.widget().show();
        window.Run();
    }
    window.widget().hide();
    return window.ended() ? window.result() : kIdCancel;
}

}  // namespace vidudi::toolkit

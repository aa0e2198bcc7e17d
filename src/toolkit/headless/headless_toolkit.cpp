#include "toolkit/headless/headless_toolkit.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <stdexcept>

namespace vidudi::toolkit {

namespace {

constexpr int kClosedComboHeight = 22;

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

// A file that the platform's loaders take for a bitmap: "BM" and a header of sane size.
bool LooksLikeBitmap(const std::string& bytes) {
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    const auto header = static_cast<unsigned char>(bytes[14]);
    return header == 12 || header == 40 || header == 108 || header == 124;
}

bool ReadWhole(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

class HeadlessPaint final : public PaintContext {
public:
    HeadlessPaint(HeadlessToolkit& toolkit, bool failRendering, std::vector<std::string>& pictures)
        : toolkit_(toolkit), failRendering_(failRendering), pictures_(pictures) {}

    void DrawIconCentered(int /*iconResource*/) override { pictures_.push_back("<icon>"); }

    PictureOutcome DrawPictureFile(const std::string& path) override {
        std::string bytes;
        if (!ReadWhole(toolkit_.ResolvePath(path), bytes)) return PictureOutcome::CannotOpen;
        if (bytes.empty()) return PictureOutcome::EmptyFile;
        if (!LooksLikeBitmap(bytes)) return PictureOutcome::CannotLoad;
        if (failRendering_) return PictureOutcome::CannotRender;
        pictures_.push_back(path);
        return PictureOutcome::Drawn;
    }

private:
    HeadlessToolkit& toolkit_;
    bool failRendering_;
    std::vector<std::string>& pictures_;
};

}  // namespace

std::ostream& operator<<(std::ostream& out, const RecordedMessageBox& message) {
    static const char* const kIcons[] = {"information", "warning", "error"};
    return out << "[" << message.dialog << "] \"" << message.text << "\" (" << message.caption << ", "
               << kIcons[static_cast<int>(message.icon)] << ")";
}

HeadlessDialog::HeadlessDialog(HeadlessToolkit& toolkit, Dialog& dialog, const DialogTemplate& layout)
    : toolkit_(toolkit), dialog_(dialog), caption_(layout.caption), dpi_(toolkit.displayDpi_) {
    const Rect pixels = DialogUnitsToPixels(layout.units);
    window_ = {0, 0, pixels.width, pixels.height};
    for (const ControlTemplate& control : layout.controls) {
        // Of the controls without an id only the first can be addressed, as GetDlgItem finds it.
        if (control.id < 0 && (control.id != kNoId || controls_.count(kNoId))) continue;
        ControlState state;
        state.layout = control;
        state.visible = control.visible;
        state.enabled = control.enabled;
        state.text = control.text;
        state.rect = DialogUnitsToPixels(control.units);
        controls_[control.id] = state;
        order_.push_back(control.id);
    }
}

HeadlessDialog::ControlState& HeadlessDialog::State(int id) {
    const auto found = controls_.find(id);
    if (found == controls_.end()) {
        throw std::logic_error("dialog " + std::to_string(dialog_.templateId()) + " has no control " +
                               std::to_string(id));
    }
    return found->second;
}

const HeadlessDialog::ControlState& HeadlessDialog::State(int id) const {
    return const_cast<HeadlessDialog*>(this)->State(id);
}

bool HeadlessDialog::Reachable(int id) const {
    return !ended_ && !exchanging_ && Exists(id) && State(id).visible && State(id).enabled;
}

void HeadlessDialog::DrainPosted() {
    while (!posted_.empty() && !ended_) {
        const int id = posted_.front();
        posted_.pop_front();
        // A click posted to a button that is disabled by the time it is handled does nothing,
        // unless the test plays Wine.
        if (Exists(id) && (State(id).enabled || toolkit_.runDisabledClicks_)) dialog_.OnCommand(id, kButtonClicked);
    }
}

Point HeadlessDialog::CentreOnScreen(int id) const {
    if (id < 0) return {window_.left - 50, window_.top - 50};
    if (id == 0) {
        // A point of the background: the bottom-right corner, where no control stands.
        return {window_.left + window_.width - 2, window_.top + window_.height - 2};
    }
    const Rect r = State(id).rect;
    return {window_.left + r.left + r.width / 2, window_.top + r.top + r.height / 2};
}

bool HeadlessDialog::Input(InputMessage::Kind kind, int id, std::uintptr_t wParam) {
    if (exchanging_ && kind != InputMessage::Kind::MouseMove) return true;  // as the real window drops it
    InputMessage message;
    message.kind = kind;
    message.screen = CentreOnScreen(id);
    message.wParam = wParam;
    return dialog_.PreTranslateMessage(message);
}

void HeadlessDialog::Click(int id, std::uintptr_t mouseKeys) {
    if (!Reachable(id)) return;
    Input(InputMessage::Kind::MouseMove, id, mouseKeys & ~kMouseLeftButton);
    const bool down = !Input(InputMessage::Kind::LeftButtonDown, id, mouseKeys | kMouseLeftButton);
    const bool up = !Input(InputMessage::Kind::LeftButtonUp, id, mouseKeys & ~kMouseLeftButton);
    if (!down || !up) return;
    // A click gives a button the focus, as the real one takes it on the button down.
    if (State(id).layout.kind == ControlKind::Button) {
        focus_ = id;
        dialog_.OnCommand(id, kButtonClicked);
    }
    DrainPosted();
}

void HeadlessDialog::ClickListRow(int id, int row, std::uintptr_t mouseKeys) {
    if (!Reachable(id)) return;
    // The list view selects on the button down and reports the click on the button up.
    if (Input(InputMessage::Kind::LeftButtonDown, id, mouseKeys | kMouseLeftButton)) return;
    ControlState& list = State(id);
    if (row >= 0 && row < static_cast<int>(list.rows.size())) {
        list.selected = {row};
        list.mark = row;
    } else {
        list.selected.clear();  // a click on empty space deselects; the mark stays
    }
    if (!Input(InputMessage::Kind::LeftButtonUp, id, mouseKeys & ~kMouseLeftButton)) dialog_.OnNotify(id, kListClick);
    DrainPosted();
}

void HeadlessDialog::MoveListSelection(int id, int row) {
    if (!Reachable(id)) return;
    ListSelect(id, row);
}

void HeadlessDialog::ScrollList(int id, int row) {
    if (!Reachable(id)) return;
    State(id).topIndex = std::clamp(row, 0, std::max(0, ListItemCount(id) - 1));
}

void HeadlessDialog::ChooseComboItem(int id, int index) {
    if (!Reachable(id)) return;
    ComboSelect(id, index);
    dialog_.OnCommand(id, kComboSelChange);
    DrainPosted();
}

void HeadlessDialog::TypeText(int id, const std::string& text) {
    if (!Reachable(id)) return;
    SetFocus(id);
    // The edit takes no more characters than its limit, as a user typing into it finds.
    const int limit = State(id).limit;
    State(id).text = limit < 0 ? text : text.substr(0, static_cast<std::size_t>(limit));
}

void HeadlessDialog::TypeAddress(int id, const std::string& fields) {
    if (!Reachable(id)) return;
    ControlState& control = State(id);
    std::size_t at = 0;
    for (int field = 0; field < 4; ++field) {
        const std::size_t dot = fields.find('.', at);
        const std::string piece = fields.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
        // The control takes at most three digits and caps a field at 255, as Windows does.
        control.fields[field] = piece.empty() ? -1 : std::min(255, std::stoi(piece.substr(0, 3)));
        at = dot == std::string::npos ? fields.size() : dot + 1;
    }
}

void HeadlessDialog::MoveMouseTo(int id) { Input(InputMessage::Kind::MouseMove, id); }

void HeadlessDialog::PressKey(int key) {
    if (ended_ || exchanging_) return;
    InputMessage message;
    message.kind = InputMessage::Kind::KeyDown;
    message.wParam = static_cast<std::uintptr_t>(key);
    if (!dialog_.PreTranslateMessage(message)) {
        // The dialog manager's keyboard rules: Return is the default button, Escape is Cancel.
        if (key == 13) dialog_.OnCommand(kIdOk, kButtonClicked);
        if (key == 27) dialog_.OnCommand(kIdCancel, kButtonClicked);
    }
    DrainPosted();
}

void HeadlessDialog::CloseBox() { SystemMenuCommand(kSysCommandClose); }

void HeadlessDialog::SystemMenuCommand(int command) {
    if (ended_) return;
    if (exchanging_) {
        // Only closing is taken during an exchange, and only once.
        if ((command & 0xFFF0) == kSysCommandClose && !closeRequested_) {
            closeRequested_ = true;
            dialog_.OnAbandonExchange();
        }
        return;
    }
    if (!dialog_.OnSysCommand(command) && (command & 0xFFF0) == kSysCommandClose) dialog_.OnClose();
    DrainPosted();
}

void HeadlessDialog::Minimize(bool minimized) { minimized_ = minimized; }

void HeadlessDialog::ChangeDpi(int dpi) {
    dpi_ = dpi;
    dialog_.OnDpiChanged();
    DrainPosted();
}

void HeadlessDialog::Paint() {
    HeadlessPaint paint(toolkit_, failRendering_, pictures_);
    dialog_.OnPaint(paint);
    DrainPosted();
}

const std::string& HeadlessDialog::ImageOn(int id) const { return State(id).image; }

bool HeadlessDialog::Exists(int id) const { return controls_.count(id) != 0; }

void HeadlessDialog::Show(int id, bool shown) { State(id).visible = shown; }

bool HeadlessDialog::IsVisible(int id) const { return State(id).visible; }

void HeadlessDialog::Enable(int id, bool enabled) {
    State(id).enabled = enabled;
    if (!enabled && focus_ == id) focus_ = focusRefuge_;
}

bool HeadlessDialog::IsEnabled(int id) const { return State(id).enabled; }

void HeadlessDialog::SetText(int id, const std::string& text) {
    if (id == 0) {
        caption_ = text;
        return;
    }
    State(id).text = text;
}

std::string HeadlessDialog::Text(int id) const {
    if (id == 0) return caption_;
    const ControlState& control = State(id);
    // A drop-down list's text is its selected item.
    if (control.layout.kind == ControlKind::ComboBox) {
        return control.selection >= 0 ? control.items[static_cast<std::size_t>(control.selection)] : "";
    }
    return control.text;
}

void HeadlessDialog::Move(int id, const Rect& rect) {
    if (id == 0) {
        window_ = rect;
        return;
    }
    State(id).rect = rect;
}

Rect HeadlessDialog::Bounds(int id) const {
    if (id == 0) return window_;
    Rect rect = State(id).rect;
    // A drop-down list's height is that of its list when open; closed it is one line high.
    if (State(id).layout.kind == ControlKind::ComboBox) rect.height = std::min(rect.height, kClosedComboHeight);
    return rect;
}

void HeadlessDialog::SetFont(int id, const FontSpec& font) { State(id).font = font; }

FontSpec HeadlessDialog::Font(int id) const { return State(id).font; }

int HeadlessDialog::TextCharset() const { return toolkit_.displayCharset_; }

void HeadlessDialog::SetFocus(int id) { focus_ = id; }

void HeadlessDialog::Invalidate(int /*id*/) { ++invalidations_; }

int HeadlessDialog::ControlAt(Point client) const {
    if (!Rect{0, 0, window_.width, window_.height}.Contains(client)) return -1;
    for (int id : order_) {
        // A label without an id is part of the background.
        if (controls_.at(id).visible && Bounds(id).Contains(client)) return id == kNoId ? 0 : id;
    }
    return 0;
}

Point HeadlessDialog::ScreenToClient(Point screen) const {
    return {screen.x - window_.left, screen.y - window_.top};
}

void HeadlessDialog::PostClick(int id) { posted_.push_back(id); }

void HeadlessDialog::ListInsertColumn(int id, int column, const std::string& heading, int width) {
    auto& columns = State(id).columns;
    const auto at = std::min<std::size_t>(static_cast<std::size_t>(column), columns.size());
    columns.insert(columns.begin() + static_cast<long>(at), {heading, width});
}

void HeadlessDialog::ListSetColumnWidth(int id, int column, int width) {
    auto& columns = State(id).columns;
    if (column >= 0 && column < static_cast<int>(columns.size())) columns[static_cast<std::size_t>(column)].second = width;
}

void HeadlessDialog::ListSetFullRowSelect(int id) { State(id).fullRowSelect = true; }

int HeadlessDialog::ListInsertItem(int id, int row, const std::string& text) {
    ControlState& list = State(id);
    const int at = std::clamp(row, 0, static_cast<int>(list.rows.size()));
    std::vector<std::string> cells(std::max<std::size_t>(1, list.columns.size()));
    cells[0] = text;
    list.rows.insert(list.rows.begin() + at, cells);
    std::set<int> shifted;
    for (int selected : list.selected) shifted.insert(selected >= at ? selected + 1 : selected);
    list.selected = shifted;
    if (list.mark >= at) ++list.mark;
    return at;
}

void HeadlessDialog::ListSetItemText(int id, int row, int column, const std::string& text) {
    ControlState& list = State(id);
    if (row < 0 || row >= static_cast<int>(list.rows.size()) || column < 0) return;
    auto& cells = list.rows[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(column) >= cells.size()) cells.resize(static_cast<std::size_t>(column) + 1);
    cells[static_cast<std::size_t>(column)] = text;
}

std::string HeadlessDialog::ListItemText(int id, int row, int column) const {
    const ControlState& list = State(id);
    if (row < 0 || row >= static_cast<int>(list.rows.size()) || column < 0) return "";
    const auto& cells = list.rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)] : "";
}

int HeadlessDialog::ListItemCount(int id) const { return static_cast<int>(State(id).rows.size()); }

void HeadlessDialog::ListDeleteAll(int id) {
    ControlState& list = State(id);
    list.rows.clear();
    list.selected.clear();
    list.mark = -1;
    list.topIndex = 0;
}

int HeadlessDialog::ListSelectionMark(int id) const { return State(id).mark; }

bool HeadlessDialog::ListIsSelected(int id, int row) const { return State(id).selected.count(row) != 0; }

void HeadlessDialog::ListSelect(int id, int row) {
    ControlState& list = State(id);
    if (row < 0 || row >= static_cast<int>(list.rows.size())) return;
    list.selected = {row};
    list.mark = row;
}

int HeadlessDialog::ListTopIndex(int id) const { return State(id).topIndex; }

int HeadlessDialog::ComboAdd(int id, const std::string& text) {
    ControlState& combo = State(id);
    auto at = combo.items.end();
    if (combo.layout.sorted) {
        at = std::upper_bound(combo.items.begin(), combo.items.end(), text, LessIgnoringCase);
    }
    const auto index = static_cast<int>(at - combo.items.begin());
    combo.items.insert(at, text);
    if (combo.selection >= index) ++combo.selection;
    return index;
}

void HeadlessDialog::ComboReset(int id) {
    State(id).items.clear();
    State(id).selection = -1;
}

int HeadlessDialog::ComboCount(int id) const { return static_cast<int>(State(id).items.size()); }

std::string HeadlessDialog::ComboItem(int id, int index) const {
    const auto& items = State(id).items;
    return index >= 0 && index < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(index)] : "";
}

void HeadlessDialog::ComboSelect(int id, int index) {
    ControlState& combo = State(id);
    combo.selection = index >= 0 && index < static_cast<int>(combo.items.size()) ? index : -1;
}

int HeadlessDialog::ComboSelection(int id) const { return State(id).selection; }

void HeadlessDialog::IpSet(int id, const std::uint8_t (&octets)[4]) {
    for (int field = 0; field < 4; ++field) State(id).fields[field] = octets[field];
}

int HeadlessDialog::IpGet(int id, std::uint8_t (&octets)[4]) const {
    int filled = 0;
    for (int field = 0; field < 4; ++field) {
        const int value = State(id).fields[field];
        octets[field] = static_cast<std::uint8_t>(value < 0 ? 0 : value);
        filled += value >= 0;
    }
    return filled;
}

void HeadlessDialog::IpClear(int id) {
    for (int& field : State(id).fields) field = -1;
}

bool HeadlessDialog::IpIsBlank(int id) const {
    const auto& fields = State(id).fields;
    return std::all_of(std::begin(fields), std::end(fields), [](int f) { return f < 0; });
}

void HeadlessDialog::IpFocusField(int id, int field) {
    focus_ = id;
    State(id).focusedField = field;
}

int HeadlessDialog::IpFocusedField(int id) const { return State(id).focusedField; }

void HeadlessDialog::SetButtonFace(int id, int bitmapResource) { State(id).face = bitmapResource; }

int HeadlessDialog::ButtonFace(int id) const { return State(id).face; }

bool HeadlessDialog::DrawBitmapFile(int id, const std::string& path) {
    std::string bytes;
    if (!ReadWhole(toolkit_.ResolvePath(path), bytes) || !LooksLikeBitmap(bytes)) return false;
    const auto slash = path.find_last_of("\\/");
    State(id).image = slash == std::string::npos ? path : path.substr(slash + 1);
    return true;
}

int HeadlessDialog::MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
    toolkit_.messages_.push_back({dialog_.templateId(), text, caption, icon});
    // The box's own message loop handles what was posted before it, while the box shows.
    DrainPosted();
    return toolkit_.answer_;
}

bool HeadlessDialog::RunExchange(const std::string& status, const std::function<void()>& work) {
    exchanging_ = true;
    closeRequested_ = false;
    if (statusControl_) SetText(statusControl_, status);
    toolkit_.statuses_.push_back(status);
    work();
    exchanging_ = false;
    if (statusControl_) SetText(statusControl_, "");
    if (!closeRequested_) return true;
    dialog_.OnClose();
    return false;
}

void HeadlessDialog::EndDialog(int result) {
    if (ended_) return;
    ended_ = true;
    result_ = result;
}

void HeadlessDialog::AppendSystemMenuEntry(int command, const std::string& text) {
    systemMenu_.emplace_back(0, "");  // the separator
    systemMenu_.emplace_back(command, text);
}

std::string HeadlessDialog::LoadString(int id) const {
    const auto found = toolkit_.resources_.strings.find(id);
    return found == toolkit_.resources_.strings.end() ? "" : found->second;
}

int HeadlessDialog::ListColumnCount(int id) const { return static_cast<int>(State(id).columns.size()); }

std::string HeadlessDialog::ListColumnHeading(int id, int column) const {
    return State(id).columns.at(static_cast<std::size_t>(column)).first;
}

int HeadlessDialog::ListColumnWidth(int id, int column) const {
    return State(id).columns.at(static_cast<std::size_t>(column)).second;
}

bool HeadlessDialog::ListFullRowSelect(int id) const { return State(id).fullRowSelect; }

HeadlessToolkit::HeadlessToolkit(const std::string& resourceScript, const std::string& resourceHeader,
                                 std::string fileRoot)
    : resources_(LoadResourceScript(resourceScript, resourceHeader)), fileRoot_(std::move(fileRoot)) {}

void HeadlessToolkit::OnModal(int templateId, Script script) { scripts_[templateId].push_back(std::move(script)); }

std::string HeadlessToolkit::ResolvePath(const std::string& path) const {
    std::string local = path;
    std::replace(local.begin(), local.end(), '\\', '/');
    return fileRoot_.empty() ? local : fileRoot_ + "/" + local;
}

int HeadlessToolkit::modalRuns(int templateId) const {
    const auto found = runs_.find(templateId);
    return found == runs_.end() ? 0 : found->second;
}

HeadlessDialog* HeadlessToolkit::OpenDialog(int templateId) const {
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        if ((*it)->dialog().templateId() == templateId) return *it;
    }
    return nullptr;
}

int HeadlessToolkit::RunModal(Dialog& dialog, Dialog* /*owner*/) {
    const auto layout = resources_.dialogs.find(dialog.templateId());
    if (layout == resources_.dialogs.end()) {
        throw std::logic_error("no dialog template " + std::to_string(dialog.templateId()));
    }
    ++runs_[dialog.templateId()];
    HeadlessDialog window(*this, dialog, layout->second);
    open_.push_back(&window);
    dialog.Attach(&window);
    dialog.OnInitDialog();
    window.DrainPosted();
    auto& queue = scripts_[dialog.templateId()];
    if (!window.ended() && !queue.empty()) {
        Script script = std::move(queue.front());
        queue.pop_front();
        script(window);
    }
    // A user who walks away from an open dialog: Escape.
    if (!window.ended()) window.PressKey(27);
    if (!window.ended()) window.EndDialog(kIdCancel);
    dialog.Attach(nullptr);
    open_.pop_back();
    return window.result();
}

}  // namespace vidudi::toolkit

// vidudi-ui-driver: reads and drives the running program's window from outside, the way a
// user would, for the shell scripts of the wine tests. One command per run; results go to
// stdout as plain lines.
//
//   vidudi-ui-driver [OPTIONS] COMMAND [ARGS...]
//
// The window is the visible top-level dialog (#32770) captioned "Norvane Vidudi" that is not
// owned by another dialog of that caption (the about box has the same caption and is owned by
// the main window).
//
// Options (before or after the command):
//   --title T      caption of the main window (default "Norvane Vidudi")
//   --timeout S    seconds to wait for windows and for the program to answer (default 10)
//   --pid P        only windows of the Windows process P
//   --dialog D     work on the dialog captioned D of the same process (the login box, the
//                  about box) instead of the main window: control, controls, click, click-row,
//                  list-rows, items, select, type, ip, key, syscommand
//   --selected     list-rows and items: print the selected indexes instead of the texts
//   --force        click and click-row: also when the control, or its window, is hidden or
//                  disabled (a user could not)
//   --alt          key: with Alt held (a system key, as Alt+F4)
//   --no-wait      input commands return once the input is taken, without waiting for the
//                  exchange with the devices that it started
//   --             the rest are the command and its operands (type 1016 -- --text--)
//
// Commands:
//   wait-window              PID X Y W H (outer rectangle, screen pixels)
//   wait-gone                waits until no such window exists, visible or not
//   list-rows ID             one line per row, the columns' texts separated by tabs
//   items ID                 one line per item of combo box ID
//   control ID               visible=0|1 enabled=0|1 X Y W H text=TEXT (dialog client pixels;
//                            an IP-address control's text is its four fields joined by dots,
//                            blank fields empty; a drop-down list's is its selected item)
//   controls                 one line per control: ID CLASS visible= enabled= X Y W H text=
//   click ID                 button down and up at the centre of control ID
//   click-row ID ROW         the same on the label of row ROW of list view ID (scrolled into
//                            view first if it is not)
//   select ID INDEX          chooses item INDEX of combo box ID and tells the window
//   type ID TEXT             sets the text of edit ID
//   ip ID A.B.C.D            sets IP-address control ID; blank fields stay empty ("10..1.", "..." all blank)
//   key ID VK                key down and up of virtual key VK to control ID (0: the window)
//   syscommand N             system-menu command N (16: about entry, 0xF060: close)
//   messagebox               waits for a message box of the program: caption=... and text=...
//   answer-messagebox [BTN]  presses button BTN (default 1, OK) and waits until the box is gone
//   no-messagebox            succeeds if no message box is open now
//   dialog TITLE             waits for another dialog captioned TITLE: X Y W H (screen pixels)
//   close-dialog TITLE       cancels that dialog and waits until it is gone
//   wait-idle                waits until no exchange with the devices runs: the status line
//                            (control 1050) is empty
//   watch                    waits for an exchange to begin, then probes the window with
//                            WM_NULL every 50 ms until the status line is empty again; prints
//                            status=TEXT each time the line changes, then probes=N slowest=MS.
//                            Fails as soon as a probe (or a read of the line) takes over 250 ms
//
// Texts are printed as the program holds them (the ANSI code page), with a line break written
// as \n and a tab as \t, so that every result stays on its line.
//
// Commands that post input (click, click-row, select, key, syscommand), answer-messagebox and
// close-dialog return once the program has handled it, or is showing a modal box because of it,
// and no exchange with the devices runs any more (see wait-idle); a program that stays busy
// longer than the timeout fails the command.
//
// Exit status: 0 done, 1 the window, control, row or box is not there (or did not answer in
// time; a message on stderr), 2 bad usage.
#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr int kDone = 0;
constexpr int kNotThere = 1;
constexpr int kBadUsage = 2;

// The two ways a command ends early; main turns them into the exit status.
struct NotThere {
  std::string message;
};
struct BadUsage {
  std::string message;
};

constexpr const char* kUsage =
    "usage: vidudi-ui-driver [--title T] [--timeout S] [--pid P] [--dialog D] [--selected]\n"
    "                        [--force] [--no-wait] [--alt] COMMAND [ARGS]\n"
    "commands: wait-window | wait-gone | list-rows ID | items ID | control ID | controls |\n"
    "          click ID | click-row ID ROW | select ID INDEX | type ID TEXT | ip ID A.B.C.D |\n"
    "          key ID VK | syscommand N | messagebox | answer-messagebox [BUTTON] |\n"
    "          no-messagebox | dialog TITLE | close-dialog TITLE | wait-idle | watch\n";

constexpr const char* kDialogClass = "#32770";
// Windows gives a message box's text control this id; Wine does the same.
constexpr int kMessageBoxTextId = 0xFFFF;
// The main window's status line: what the program is doing with the devices, empty when idle.
constexpr int kStatusLineId = 1050;
// How long the window may take to answer a probe of `watch`.
constexpr UINT kProbeLimitMs = 250;

struct Options {
  std::string title = "Norvane Vidudi";
  std::string dialog;
  double timeout = 10.0;
  DWORD pid = 0;
  bool selected = false;
  bool force = false;
  bool no_wait = false;
  bool alt = false;
  std::vector<std::string> words;  // the command and its operands
};

// ---------------------------------------------------------------------------------------------
// Parsing

// Decimal, or hexadecimal with 0x (0xF060); a leading zero is not octal here.
long parse_number(const std::string& text, const char* what) {
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text.c_str(), &end, hex ? 16 : 10);
  if (text.empty() || *end != '\0' || errno != 0) {
    throw BadUsage{std::string("not a number for ") + what + ": " + text};
  }
  return value;
}

int parse_id(const std::string& text) {
  long value = parse_number(text, "a control id");
  if (value < 0 || value > 0xFFFF) throw BadUsage{"control id out of range: " + text};
  return static_cast<int>(value);
}

Options parse_options(int argc, char** argv) {
  Options options;
  bool operands_only = false;  // after "--", for a text that starts with dashes
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i];
    if (operands_only) {
      options.words.emplace_back(word);
      continue;
    }
    auto operand = [&]() -> std::string {
      if (i + 1 >= argc) throw BadUsage{std::string(word) + " needs a value"};
      return argv[++i];
    };
    if (word == "--title") {
      options.title = operand();
    } else if (word == "--dialog") {
      options.dialog = operand();
    } else if (word == "--timeout") {
      std::string text = operand();
      char* end = nullptr;
      options.timeout = std::strtod(text.c_str(), &end);
      if (text.empty() || *end != '\0' || !(options.timeout >= 0.0) || options.timeout > 86400.0) {
        throw BadUsage{"--timeout wants seconds, not " + text};
      }
    } else if (word == "--pid") {
      long pid = parse_number(operand(), "--pid");
      if (pid <= 0) throw BadUsage{"--pid wants a process id"};
      options.pid = static_cast<DWORD>(pid);
    } else if (word == "--selected") {
      options.selected = true;
    } else if (word == "--force") {
      options.force = true;
    } else if (word == "--no-wait") {
      options.no_wait = true;
    } else if (word == "--alt") {
      options.alt = true;
    } else if (word == "--") {
      operands_only = true;
    } else if (word.size() > 2 && word.substr(0, 2) == "--") {
      throw BadUsage{"unknown option " + std::string(word)};
    } else {
      options.words.emplace_back(word);
    }
  }
  if (options.words.empty()) throw BadUsage{"no command"};
  return options;
}

// ---------------------------------------------------------------------------------------------
// Output

// One result per line: line breaks and tabs inside a text are written as \n and \t.
std::string one_line(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') continue;
      out += "\\n";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out;
}

void print_line(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
}

std::string rect_text(const RECT& r) {
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top);
}

// ---------------------------------------------------------------------------------------------
// Windows of another process

std::string class_of(HWND window) {
  char name[256];
  int length = GetClassNameA(window, name, sizeof name);
  return std::string(name, static_cast<size_t>(std::max(length, 0)));
}

// A top-level caption is kept with the window itself, so this asks nothing of its program.
std::string caption_of(HWND window) {
  char text[512];
  int length = GetWindowTextA(window, text, sizeof text);
  return std::string(text, static_cast<size_t>(std::max(length, 0)));
}

DWORD process_of(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

bool is_dialog(HWND window) { return class_of(window) == kDialogClass; }

BOOL CALLBACK collect_window(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> top_level_windows() {
  std::vector<HWND> windows;
  EnumWindows(collect_window, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> children_of(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

RECT rect_in_client(HWND window, HWND dialog) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Copies to and from a block of memory in the program's address space, for the list-view
// messages whose parameters are pointers (only the standard messages are marshalled).
class RemoteMemory {
 public:
  RemoteMemory(DWORD pid, SIZE_T size) : size_(size) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process_) throw NotThere{"cannot open process " + std::to_string(pid)};
    base_ = static_cast<char*>(
        VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!base_) {
      CloseHandle(process_);
      throw NotThere{"cannot allocate memory in process " + std::to_string(pid)};
    }
  }
  ~RemoteMemory() {
    VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  char* at(SIZE_T offset) const { return base_ + offset; }
  LPARAM param(SIZE_T offset = 0) const { return reinterpret_cast<LPARAM>(at(offset)); }

  void write(SIZE_T offset, const void* data, SIZE_T size) {
    SIZE_T done = 0;
    if (offset + size > size_ || !WriteProcessMemory(process_, at(offset), data, size, &done) ||
        done != size) {
      throw NotThere{"cannot write into the program's memory"};
    }
  }
  void read(SIZE_T offset, void* data, SIZE_T size) {
    SIZE_T done = 0;
    if (offset + size > size_ || !ReadProcessMemory(process_, at(offset), data, size, &done) ||
        done != size) {
      throw NotThere{"cannot read the program's memory"};
    }
  }

 private:
  HANDLE process_ = nullptr;
  char* base_ = nullptr;
  SIZE_T size_;
};

// The item record is copied byte for byte into the program, so both must be 64-bit programs.
static_assert(sizeof(void*) == 8, "build the driver as a 64-bit program, like Vidudi.exe");

// ---------------------------------------------------------------------------------------------
// The driver

class Driver {
 public:
  explicit Driver(Options options) : options_(std::move(options)) {}

  int run();

 private:
  using Clock = std::chrono::steady_clock;

  // ---- waiting and asking

  Clock::time_point deadline() const {
    return Clock::now() + std::chrono::milliseconds(static_cast<long long>(options_.timeout * 1000.0));
  }

  UINT answer_ms() const { return static_cast<UINT>(std::max(options_.timeout * 1000.0, 100.0)); }

  // The one wait loop: asks until the answer is there or the time is up.
  template <class Find>
  auto wait_for(Find find) const -> decltype(find()) {
    auto until = deadline();
    for (;;) {
      if (auto found = find()) return found;
      if (Clock::now() >= until) return {};
      Sleep(50);
    }
  }

  LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, answer_ms(), &result)) {
      if (!IsWindow(window)) throw NotThere{"the window went away"};
      throw NotThere{"the program did not answer within " + seconds_text()};
    }
    return static_cast<LRESULT>(result);
  }

  void post(HWND window, UINT message, WPARAM wparam, LPARAM lparam) const {
    if (!PostMessageA(window, message, wparam, lparam)) throw NotThere{"cannot post to the window"};
  }

  // Returns once the program has taken `posted` more messages from its queue and handled
  // them. A sent message is handled at the program's next look at its queue, before the next
  // posted message is taken, so each answered round trip means the message taken before it
  // has been dispatched, or that its handler is in a modal loop (a message box) of its own.
  void settle(HWND window, int posted) const {
    for (int round = 0; round <= posted + 1; ++round) {
      DWORD_PTR result = 0;
      if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, answer_ms(), &result)) {
        if (!IsWindow(window)) return;  // the input closed the window
        throw NotThere{"the program was still busy after " + seconds_text()};
      }
    }
  }

  std::string seconds_text() const {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", options_.timeout);
    return text;
  }

  // ---- finding windows

  std::vector<HWND> main_windows(bool visible_only) const {
    std::vector<HWND> found;
    for (HWND window : top_level_windows()) {
      if (!is_dialog(window) || caption_of(window) != options_.title) continue;
      if (visible_only && !IsWindowVisible(window)) continue;
      if (options_.pid && process_of(window) != options_.pid) continue;
      // The about box has the same caption but is owned by the main window.
      HWND owner = GetWindow(window, GW_OWNER);
      if (owner && is_dialog(owner) && caption_of(owner) == options_.title) continue;
      found.push_back(window);
    }
    return found;
  }

  HWND find_main() {
    if (main_) return main_;
    HWND window = wait_for([&]() -> HWND {
      std::vector<HWND> found = main_windows(true);
      if (found.size() > 1 && !warned_) {
        std::fprintf(stderr, "note: %zu windows captioned \"%s\"; using the first (see --pid)\n",
                     found.size(), options_.title.c_str());
        warned_ = true;
      }
      return found.empty() ? nullptr : found.front();
    });
    if (!window) {
      throw NotThere{"no window \"" + options_.title + "\" within " + seconds_text()};
    }
    main_ = window;
    return main_;
  }

  // Another top-level dialog of the program (not its main window) that `match` accepts.
  template <class Match>
  HWND other_dialog(Match match) {
    HWND main = find_main();
    DWORD pid = process_of(main);
    for (HWND window : top_level_windows()) {
      if (window == main || !is_dialog(window) || !IsWindowVisible(window)) continue;
      if (process_of(window) != pid) continue;
      if (match(window)) return window;
    }
    return nullptr;
  }

  HWND wait_dialog(const std::string& title) {
    HWND window = wait_for([&] {
      return other_dialog([&](HWND w) { return caption_of(w) == title; });
    });
    if (!window) throw NotThere{"no dialog \"" + title + "\" within " + seconds_text()};
    return window;
  }

  // A message box is built by the system from its own template, so its module is not the
  // program's; the program's own dialogs (the about box has unnamed labels with the same id
  // as a message box's text) come from the program's resources.
  bool is_message_box(HWND window) {
    HWND text = GetDlgItem(window, kMessageBoxTextId);
    if (!text || class_of(text) != "Static") return false;
    if ((GetWindowLongA(text, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return false;
    return GetWindowLongPtrA(window, GWLP_HINSTANCE) != GetWindowLongPtrA(find_main(), GWLP_HINSTANCE);
  }

  HWND open_message_box() {
    return other_dialog([&](HWND w) { return is_message_box(w); });
  }

  HWND wait_message_box() {
    HWND box = wait_for([&] { return open_message_box(); });
    if (!box) throw NotThere{"no message box within " + seconds_text()};
    return box;
  }

  // The window the control commands work on: the main window, or the --dialog one.
  HWND target() {
    if (!target_) target_ = options_.dialog.empty() ? find_main() : wait_dialog(options_.dialog);
    return target_;
  }

  HWND control(int id) {
    HWND window = GetDlgItem(target(), id);
    if (!window) throw NotThere{"no control " + std::to_string(id) + " in the window"};
    return window;
  }

  HWND control_of_class(int id, const char* kind) {
    HWND window = control(id);
    if (class_of(window) != kind) {
      throw NotThere{"control " + std::to_string(id) + " is a " + class_of(window) + ", not a " + kind};
    }
    return window;
  }

  // A user cannot click what is hidden or disabled, nor anything in a window that a modal
  // box has disabled.
  void check_clickable(HWND window, int id) {
    if (options_.force) return;
    if (!IsWindowVisible(window)) throw NotThere{"control " + std::to_string(id) + " is hidden"};
    if (!IsWindowEnabled(window)) throw NotThere{"control " + std::to_string(id) + " is disabled"};
    if (!IsWindowEnabled(target())) throw NotThere{"the window is disabled (a modal box is open)"};
  }

  // ---- reading texts

  std::string window_text(HWND window) const {
    LRESULT length = send(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
    LRESULT got = send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, length)));
    return text;
  }

  // The address fields of an IP-address control, left to right.
  std::vector<HWND> address_fields(HWND control) const {
    std::vector<HWND> fields;
    for (HWND child : children_of(control)) {
      if (class_of(child) == "Edit") fields.push_back(child);
    }
    std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
      RECT ra{}, rb{};
      GetWindowRect(a, &ra);
      GetWindowRect(b, &rb);
      return ra.left < rb.left;
    });
    return fields;
  }

  // What the user sees in the control: an IP-address control shows four fields.
  std::string control_text(HWND window) const {
    if (class_of(window) != WC_IPADDRESSA) return window_text(window);
    std::string text;
    bool blank = true;
    std::vector<HWND> fields = address_fields(window);
    for (size_t i = 0; i < fields.size(); ++i) {
      std::string field = window_text(fields[i]);
      if (!field.empty()) blank = false;
      text += (i ? "." : "") + field;
    }
    return blank ? std::string() : text;
  }

  std::string control_line(HWND window) {
    RECT r = rect_in_client(window, target());
    return std::string("visible=") + (IsWindowVisible(window) ? "1" : "0") +
           " enabled=" + (IsWindowEnabled(window) ? "1" : "0") + " " + rect_text(r) +
           " text=" + one_line(control_text(window));
  }

  // Wine hands the ANSI form of CB_GETLBTEXT back to another process still in UTF-16, so
  // the item is read in UTF-16 and converted here, to the same code page as the other texts.
  std::string combo_item(HWND combo, LRESULT index) const {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0, SMTO_NORMAL,
                             answer_ms(), &length) ||
        static_cast<LRESULT>(length) == CB_ERR) {
      throw NotThere{"cannot read item " + std::to_string(index)};
    }
    std::wstring wide(length + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(wide.data()), SMTO_NORMAL, answer_ms(), &got) ||
        static_cast<LRESULT>(got) == CB_ERR) {
      throw NotThere{"cannot read item " + std::to_string(index)};
    }
    wide.resize(std::min<size_t>(got, length));
    if (wide.empty()) return {};
    int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string text(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                        nullptr, nullptr);
    return text;
  }

  // ---- list views

  int list_count(HWND list) const { return static_cast<int>(send(list, LVM_GETITEMCOUNT, 0, 0)); }

  int column_count(HWND list) const {
    auto header = reinterpret_cast<HWND>(send(list, LVM_GETHEADER, 0, 0));
    int columns = header ? static_cast<int>(send(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    return std::max(columns, 1);
  }

  std::vector<int> selected_rows(HWND list) const {
    std::vector<int> rows;
    int count = list_count(list);
    for (int row = 0; row < count; ++row) {
      if (send(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED) {
        rows.push_back(row);
      }
    }
    return rows;
  }

  // The item's rectangle in the list's client coordinates; `part` is LVIR_BOUNDS, LVIR_LABEL...
  RECT item_rect(HWND list, int row, DWORD pid, int part) const {
    RemoteMemory memory(pid, sizeof(RECT));
    RECT r{};
    r.left = part;
    memory.write(0, &r, sizeof r);
    if (!send(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), memory.param())) {
      throw NotThere{"no rectangle for row " + std::to_string(row)};
    }
    memory.read(0, &r, sizeof r);
    return r;
  }

  // ---- exchanges with the devices

  // The status line's text; empty when the window (or its line) is gone. The program answers
  // only when it takes messages, which it does not do between two exchanges of one command:
  // an empty line is seen once the command has finished, or waits on a modal box or dialog.
  std::string status_text() {
    HWND line = GetDlgItem(find_main(), kStatusLineId);
    if (!line) return {};
    try {
      return window_text(line);
    } catch (const NotThere&) {
      if (!IsWindow(line)) return {};
      throw;
    }
  }

  void wait_idle() {
    std::string last;
    if (!wait_for([&] { return (last = status_text()).empty(); })) {
      throw NotThere{"the program was still busy (\"" + last + "\") after " + seconds_text()};
    }
  }

  // After input: the exchange it may have started has ended.
  void after_input() {
    if (!options_.no_wait) wait_idle();
  }

  // ---- commands

  int wait_window();
  int wait_gone();
  int list_rows(int id);
  int items(int id);
  int show_control(int id);
  int show_controls();
  int click(int id);
  int click_row(int id, int row);
  int select(int id, int index);
  int type(int id, const std::string& text);
  int set_address(int id, const std::string& address);
  int key(int id, int vk);
  int syscommand(WPARAM command);
  int messagebox();
  int answer_messagebox(int button);
  int no_messagebox();
  int dialog(const std::string& title);
  int close_dialog(const std::string& title);
  int watch();

  void click_at(HWND window, int x, int y);
  void wait_closed(HWND window, const std::string& what);

  Options options_;
  HWND main_ = nullptr;
  HWND target_ = nullptr;
  bool warned_ = false;
};

int Driver::wait_window() {
  HWND window = find_main();
  RECT r{};
  GetWindowRect(window, &r);
  print_line(std::to_string(process_of(window)) + " " + rect_text(r));
  return kDone;
}

int Driver::wait_gone() {
  if (!wait_for([&] { return main_windows(false).empty(); })) {
    throw NotThere{"the window \"" + options_.title + "\" is still there after " + seconds_text()};
  }
  return kDone;
}

int Driver::list_rows(int id) {
  HWND list = control_of_class(id, WC_LISTVIEWA);
  if (options_.selected) {
    for (int row : selected_rows(list)) print_line(std::to_string(row));
    return kDone;
  }
  constexpr int kTextMax = 1024;
  RemoteMemory memory(process_of(list), sizeof(LVITEMA) + kTextMax);
  int rows = list_count(list);
  int columns = column_count(list);
  for (int row = 0; row < rows; ++row) {
    std::string line;
    for (int column = 0; column < columns; ++column) {
      LVITEMA item{};
      item.iSubItem = column;
      item.pszText = memory.at(sizeof(LVITEMA));
      item.cchTextMax = kTextMax;
      memory.write(0, &item, sizeof item);
      LRESULT length = send(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), memory.param());
      std::string text(static_cast<size_t>(std::clamp<LRESULT>(length, 0, kTextMax - 1)), '\0');
      memory.read(sizeof(LVITEMA), text.data(), text.size());
      line += (column ? "\t" : "") + one_line(text);
    }
    print_line(line);
  }
  return kDone;
}

int Driver::items(int id) {
  HWND combo = control_of_class(id, WC_COMBOBOXA);
  if (options_.selected) {
    LRESULT index = send(combo, CB_GETCURSEL, 0, 0);
    if (index != CB_ERR) print_line(std::to_string(index));
    return kDone;
  }
  LRESULT count = send(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) print_line(one_line(combo_item(combo, i)));
  return kDone;
}

int Driver::show_control(int id) {
  print_line(control_line(control(id)));
  return kDone;
}

int Driver::show_controls() {
  for (HWND child : children_of(target())) {
    int id = GetDlgCtrlID(child);
    print_line(std::to_string(id) + " " + class_of(child) + " " + control_line(child));
  }
  return kDone;
}

// Button down and up go in together: a cursor move between them (a real one, under Wine)
// makes the list view drop the click.
void Driver::click_at(HWND window, int x, int y) {
  LPARAM point = MAKELPARAM(x, y);
  post(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
  post(window, WM_LBUTTONUP, 0, point);
  settle(target(), 2);
  after_input();
}

int Driver::click(int id) {
  HWND button = control(id);
  check_clickable(button, id);
  RECT r{};
  GetClientRect(button, &r);
  click_at(button, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  return kDone;
}

int Driver::click_row(int id, int row) {
  HWND list = control_of_class(id, WC_LISTVIEWA);
  check_clickable(list, id);
  int rows = list_count(list);
  if (row < 0 || row >= rows) {
    throw NotThere{"list " + std::to_string(id) + " has " + std::to_string(rows) + " rows, no row " +
                   std::to_string(row)};
  }
  DWORD pid = process_of(list);
  RECT client{};
  GetClientRect(list, &client);
  int top = client.top;
  if (HWND header = reinterpret_cast<HWND>(send(list, LVM_GETHEADER, 0, 0));
      header && IsWindowVisible(header)) {
    top = rect_in_client(header, list).bottom;
  }
  // The label of the first column takes the click with or without full-row selection.
  RECT r = item_rect(list, row, pid, LVIR_LABEL);
  auto centre_y = [&] { return (r.top + r.bottom) / 2; };
  if (centre_y() < top || centre_y() >= client.bottom) {
    // A user scrolls the row into view first.
    send(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    r = item_rect(list, row, pid, LVIR_LABEL);
    if (centre_y() < top || centre_y() >= client.bottom) {
      throw NotThere{"row " + std::to_string(row) + " cannot be brought into view"};
    }
  }
  LONG left = std::max(r.left, client.left);
  LONG right = std::min(r.right, client.right);
  if (left >= right) throw NotThere{"row " + std::to_string(row) + " has no visible label"};
  click_at(list, static_cast<int>((left + right) / 2), static_cast<int>(centre_y()));
  return kDone;
}

int Driver::select(int id, int index) {
  HWND combo = control_of_class(id, WC_COMBOBOXA);
  if (index < 0 || send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) == CB_ERR) {
    throw NotThere{"combo box " + std::to_string(id) + " has no item " + std::to_string(index)};
  }
  // Posted: the window's answer may be a modal message box.
  post(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  settle(target(), 1);
  after_input();
  return kDone;
}

int Driver::type(int id, const std::string& text) {
  HWND edit = control(id);
  if (!send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()))) {
    throw NotThere{"control " + std::to_string(id) + " refused the text"};
  }
  return kDone;
}

int Driver::set_address(int id, const std::string& address) {
  // Four fields, each empty (blank) or 0..255: "10.77.1.20", "10..1.", "..." or "" (all blank).
  std::vector<std::string> fields(1);
  for (char c : address) {
    if (c == '.') {
      fields.emplace_back();
    } else if (c >= '0' && c <= '9' && fields.back().size() < 3) {
      fields.back() += c;
    } else {
      throw BadUsage{"not an address: " + address};
    }
  }
  if (address.empty()) fields.assign(4, "");
  if (fields.size() != 4) throw BadUsage{"not an address: " + address};
  for (const std::string& field : fields) {
    if (!field.empty() && std::stoi(field) > 255) throw BadUsage{"not an address: " + address};
  }
  HWND control = control_of_class(id, WC_IPADDRESSA);
  bool whole = std::none_of(fields.begin(), fields.end(), [](const std::string& f) { return f.empty(); });
  if (whole) {
    auto octet = [&](int i) { return static_cast<BYTE>(std::stoi(fields[static_cast<size_t>(i)])); };
    send(control, IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(octet(0), octet(1), octet(2), octet(3))));
    return kDone;
  }
  // Blank fields have no address value: clear all, then fill the fields a user would type.
  send(control, IPM_CLEARADDRESS, 0, 0);
  std::vector<HWND> edits = address_fields(control);
  if (edits.size() != 4) throw NotThere{"IP-address control " + std::to_string(id) + " has no four fields"};
  for (size_t i = 0; i < 4; ++i) {
    if (!fields[i].empty()) send(edits[i], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fields[i].c_str()));
  }
  return kDone;
}

int Driver::key(int id, int vk) {
  HWND window = id == 0 ? target() : control(id);
  auto scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC));
  LPARAM down = 1 | (scan << 16);
  if (options_.alt) down |= LPARAM{1} << 29;  // the context bit: Alt is down
  LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
  post(window, options_.alt ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WPARAM>(vk), down);
  post(window, options_.alt ? WM_SYSKEYUP : WM_KEYUP, static_cast<WPARAM>(vk), up);
  settle(target(), 2);
  after_input();
  return kDone;
}

int Driver::syscommand(WPARAM command) {
  post(target(), WM_SYSCOMMAND, command, 0);
  settle(target(), 1);
  after_input();
  return kDone;
}

int Driver::messagebox() {
  HWND box = wait_message_box();
  print_line("caption=" + one_line(caption_of(box)));
  print_line("text=" + one_line(window_text(GetDlgItem(box, kMessageBoxTextId))));
  return kDone;
}

void Driver::wait_closed(HWND window, const std::string& what) {
  if (!wait_for([&] { return !IsWindow(window) || !IsWindowVisible(window); })) {
    throw NotThere{what + " is still open after " + seconds_text()};
  }
}

int Driver::answer_messagebox(int button) {
  HWND box = wait_message_box();
  HWND control = GetDlgItem(box, button);
  if (!control || class_of(control) != "Button") {
    throw NotThere{"the message box \"" + caption_of(box) + "\" has no button " + std::to_string(button)};
  }
  post(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  wait_closed(box, "the message box");
  after_input();
  return kDone;
}

int Driver::no_messagebox() {
  if (HWND box = open_message_box()) {
    throw NotThere{"a message box is open: caption=" + one_line(caption_of(box)) +
                   " text=" + one_line(window_text(GetDlgItem(box, kMessageBoxTextId)))};
  }
  return kDone;
}

int Driver::dialog(const std::string& title) {
  RECT r{};
  GetWindowRect(wait_dialog(title), &r);
  print_line(rect_text(r));
  return kDone;
}

int Driver::close_dialog(const std::string& title) {
  HWND window = wait_dialog(title);
  post(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  wait_closed(window, "the dialog \"" + title + "\"");
  after_input();
  return kDone;
}

int Driver::watch() {
  HWND line = GetDlgItem(find_main(), kStatusLineId);
  if (!line) throw NotThere{"the window has no status line"};
  double slowest = 0.0;
  // Every question to the window is a probe: it must come back within the limit.
  auto ask = [&](HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto start = Clock::now();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, kProbeLimitMs, &result)) {
      if (!IsWindow(window)) throw NotThere{"the window went away"};
      throw NotThere{"the window did not answer within " + std::to_string(kProbeLimitMs) + " ms"};
    }
    slowest = std::max(slowest, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    return static_cast<LRESULT>(result);
  };
  auto read_line = [&] {
    char text[512] = {};
    LRESULT got = ask(line, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return std::string(text, static_cast<size_t>(std::clamp<LRESULT>(got, 0, sizeof text - 1)));
  };
  auto until = deadline();
  std::string status = read_line();
  while (status.empty()) {
    if (Clock::now() >= until) throw NotThere{"no exchange began within " + seconds_text()};
    Sleep(20);
    status = read_line();
  }
  print_line("status=" + one_line(status));
  std::fflush(stdout);
  int probes = 0;
  while (!status.empty()) {
    ask(find_main(), WM_NULL, 0, 0);
    ++probes;
    Sleep(50);
    std::string now = read_line();
    if (!now.empty() && now != status) {
      print_line("status=" + one_line(now));
      std::fflush(stdout);
    }
    status = now;
  }
  char summary[64];
  std::snprintf(summary, sizeof summary, "probes=%d slowest=%.0f", probes, slowest);
  print_line(summary);
  return kDone;
}

int Driver::run() {
  const std::vector<std::string>& w = options_.words;
  const std::string& command = w[0];
  auto want = [&](size_t operands) {
    if (w.size() != operands + 1) {
      throw BadUsage{command + " takes " + std::to_string(operands) + " operand(s)"};
    }
  };
  auto int_operand = [&](size_t i, const char* what) {
    long value = parse_number(w[i], what);
    if (value < INT32_MIN || value > INT32_MAX) throw BadUsage{std::string(what) + " out of range"};
    return static_cast<int>(value);
  };

  if (command == "wait-window") return want(0), wait_window();
  if (command == "wait-gone") return want(0), wait_gone();
  if (command == "list-rows") return want(1), list_rows(parse_id(w[1]));
  if (command == "items") return want(1), items(parse_id(w[1]));
  if (command == "control") return want(1), show_control(parse_id(w[1]));
  if (command == "controls") return want(0), show_controls();
  if (command == "click") return want(1), click(parse_id(w[1]));
  if (command == "click-row") return want(2), click_row(parse_id(w[1]), int_operand(2, "a row"));
  if (command == "select") return want(2), select(parse_id(w[1]), int_operand(2, "an item index"));
  if (command == "type") return want(2), type(parse_id(w[1]), w[2]);
  if (command == "ip") return want(2), set_address(parse_id(w[1]), w[2]);
  if (command == "key") {
    want(2);
    int vk = int_operand(2, "a virtual key");
    if (vk < 1 || vk > 254) throw BadUsage{"virtual keys are 1 to 254"};
    return key(parse_id(w[1]), vk);
  }
  if (command == "syscommand") {
    want(1);
    long value = parse_number(w[1], "a system command");
    if (value < 0 || value > 0xFFFF) throw BadUsage{"system commands are 0 to 0xFFFF"};
    return syscommand(static_cast<WPARAM>(value));
  }
  if (command == "messagebox") return want(0), messagebox();
  if (command == "answer-messagebox") {
    if (w.size() > 2) throw BadUsage{"answer-messagebox takes at most one button id"};
    return answer_messagebox(w.size() == 2 ? parse_id(w[1]) : IDOK);
  }
  if (command == "no-messagebox") return want(0), no_messagebox();
  if (command == "dialog") return want(1), dialog(w[1]);
  if (command == "close-dialog") return want(1), close_dialog(w[1]);
  if (command == "wait-idle") return want(0), wait_idle(), kDone;
  if (command == "watch") return want(0), watch();
  throw BadUsage{"unknown command " + command};
}

}  // namespace

int main(int argc, char** argv) {
  // Lines end in \n alone: the scripts that read them run on Linux.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  try {
    Driver driver(parse_options(argc, argv));
    int status = driver.run();
    std::fflush(stdout);
    return status;
  } catch (const BadUsage& failure) {
    std::fprintf(stderr, "vidudi-ui-driver: %s\n%s", failure.message.c_str(), kUsage);
    return kBadUsage;
  } catch (const NotThere& failure) {
    std::fflush(stdout);
    std::fprintf(stderr, "vidudi-ui-driver: %s\n", failure.message.c_str());
    return kNotThere;
  }
}

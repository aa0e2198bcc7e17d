// vidudi-ui-driver [--timeout S] [--no-wait] COMMAND [ARGS...]: reads and drives the running
// program's window (the visible dialog "Norvane Vidudi" not owned by another of that caption)
// from outside, for the wine test scripts. Commands: wait-window (prints PID X Y W H), wait-gone,
// list-rows ID (tab-separated columns), control ID (text=...), click ID, click-row ID ROW,
// select ID INDEX, ip ID A.B.C.D, close (the close box; prints closed_ms=N, the
// time on the driver's own clock until the window was gone), messagebox (caption=... text=...),
// answer-messagebox (OK), wait-idle (status line 1050 empty), rects (every control: ID LEFT TOP
// WIDTH HEIGHT in client coordinates, the label without an id as 65535, then "client WIDTH
// HEIGHT" and "columns ID W..." of each list view), screen-rect ID (LEFT TOP WIDTH HEIGHT on the
// screen), focus (the id of the control with the keyboard focus), key VK (a key pressed and
// released in the control with the focus), and watch [ID]: clicks button ID if given, waits for
// an exchange to begin, then probes the window with WM_NULL every 50 ms until the status line is
// empty again, printing status=TEXT at each change and probes=N slowest=MS; it fails as soon as
// a probe or a read of the line takes over 250 ms. Input commands return once the program has
// handled the input and, without --no-wait, the exchange it started has ended. Exit status: 0
// done, 1 not there or no answer within S seconds (10), 2 bad usage.
#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Ends a command early: status 1 (not there, or no answer in time) or 2 (bad usage).
struct Failure {
  int status;
  std::string message;
};

constexpr const char* kTitle = "Norvane Vidudi";
constexpr const char* kDialogClass = "#32770";
constexpr int kMessageBoxTextId = 0xFFFF;  // a message box's text control, on Windows and Wine
constexpr int kStatusLineId = 1050;
constexpr UINT kProbeLimitMs = 250;

using Clock = std::chrono::steady_clock;

int number(const std::string& text) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, text.rfind("0x", 0) == 0 ? 16 : 10);
  if (text.empty() || *end != '\0' || value < 0 || value > 0xFFFF) throw Failure{2, "not a number: " + text};
  return static_cast<int>(value);
}

// One result per line: line breaks and tabs inside a text are written as \n and \t.
std::string one_line(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\n' || text[i] == '\r' ? "\\n" : text[i] == '\t' ? "\\t" : std::string(1, text[i]);
  }
  return out;
}

void print_line(const std::string& line) { std::printf("%s\n", line.c_str()); }
std::string class_of(HWND window) {
  char name[256];
  return std::string(name, static_cast<size_t>(std::max(GetClassNameA(window, name, sizeof name), 0)));
}

std::string caption_of(HWND window) {
  char text[512];
  return std::string(text, static_cast<size_t>(std::max(GetWindowTextA(window, text, sizeof text), 0)));
}

DWORD process_of(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

bool is_dialog(HWND window) { return class_of(window) == kDialogClass; }

std::vector<HWND> top_level_windows() {
  std::vector<HWND> windows;
  auto collect = [](HWND window, LPARAM list) -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
  };
  EnumWindows(collect, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// A block of memory in the program, for the list-view messages whose parameters are pointers.
struct RemoteMemory {
  HANDLE process_ = nullptr;
  char* base_ = nullptr;
  RemoteMemory(DWORD pid, SIZE_T size) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process_) throw Failure{1, "cannot open the program's process"};
    base_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!base_) {
      CloseHandle(process_);
      throw Failure{1, "cannot allocate memory in the program"};
    }
  }
  ~RemoteMemory() {
    VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  char* at(SIZE_T offset) const { return base_ + offset; }
  LPARAM param() const { return reinterpret_cast<LPARAM>(base_); }
  void write(SIZE_T offset, const void* data, SIZE_T size) {
    if (!WriteProcessMemory(process_, at(offset), data, size, nullptr)) throw Failure{1, "cannot write into the program"};
  }
  void read(SIZE_T offset, void* data, SIZE_T size) {
    if (!ReadProcessMemory(process_, at(offset), data, size, nullptr)) throw Failure{1, "cannot read the program"};
  }
};

// The item record is copied byte for byte into the program: both must be 64-bit programs.
static_assert(sizeof(void*) == 8, "build the driver as a 64-bit program, like Vidudi.exe");

double g_timeout = 10.0;
bool g_no_wait = false;
HWND g_main = nullptr;
HWND app_window();
void wait_idle();

Clock::time_point deadline() {
  return Clock::now() + std::chrono::milliseconds(static_cast<long long>(g_timeout * 1000.0));
}
UINT answer_ms() { return static_cast<UINT>(std::max(g_timeout * 1000.0, 100.0)); }

template <class Find>
auto wait_for(Find find) -> decltype(find()) {
  auto until = deadline();
  for (;;) {
    if (auto found = find()) return found;
    if (Clock::now() >= until) return {};
    Sleep(50);
  }
}

LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, answer_ms(), &result)) {
    throw Failure{1, IsWindow(window) ? "the program did not answer in time" : "the window went away"};
  }
  return static_cast<LRESULT>(result);
}

void post(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!PostMessageA(window, message, wparam, lparam)) throw Failure{1, "cannot post to the window"};
}

// Returns once the program has handled `posted` more messages: a sent message is handled
// before the next posted one is taken, so each answered round trip means the message before
// it was dispatched (or its handler runs a modal box of its own).
void settle(int posted) {
  for (int round = 0; round <= posted + 1; ++round) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(app_window(), WM_NULL, 0, 0, SMTO_NORMAL, answer_ms(), &result)) {
      if (!IsWindow(app_window())) return;  // the input closed the window
      throw Failure{1, "the program was still busy"};
    }
  }
  if (!g_no_wait) wait_idle();
}

std::vector<HWND> main_windows(bool visible_only) {
  std::vector<HWND> found;
  for (HWND window : top_level_windows()) {
    if (!is_dialog(window) || caption_of(window) != kTitle) continue;
    if (visible_only && !IsWindowVisible(window)) continue;
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner && is_dialog(owner) && caption_of(owner) == kTitle) continue;
    found.push_back(window);
  }
  return found;
}

HWND app_window() {
  if (!g_main) {
    g_main = wait_for([&]() -> HWND {
      auto found = main_windows(true);
      return found.empty() ? nullptr : found.front();
    });
    if (!g_main) throw Failure{1, "no window within the timeout"};
  }
  return g_main;
}

// A message box comes from the system's template, so its module is not the program's.
HWND open_message_box() {
  DWORD pid = process_of(app_window());
  for (HWND window : top_level_windows()) {
    if (window == app_window() || !is_dialog(window) || !IsWindowVisible(window) || process_of(window) != pid) continue;
    HWND text = GetDlgItem(window, kMessageBoxTextId);
    if (!text || class_of(text) != "Static" || (GetWindowLongA(text, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
    if (GetWindowLongPtrA(window, GWLP_HINSTANCE) != GetWindowLongPtrA(app_window(), GWLP_HINSTANCE)) return window;
  }
  return nullptr;
}

HWND wait_message_box() {
  if (HWND box = wait_for([&] { return open_message_box(); })) return box;
  throw Failure{1, "no message box within the timeout"};
}

HWND control(int id, const char* kind = nullptr) {
  HWND window = GetDlgItem(app_window(), id);
  if (!window) throw Failure{1, "no control " + std::to_string(id)};
  if (kind && class_of(window) != kind) throw Failure{1, "control " + std::to_string(id) + " is no " + kind};
  return window;
}

// A user cannot click what is hidden or disabled, nor in a window a modal box disabled.
HWND clickable(int id, const char* kind = nullptr) {
  HWND window = control(id, kind);
  if (!IsWindowVisible(window) || !IsWindowEnabled(window) || !IsWindowEnabled(app_window())) {
    throw Failure{1, "control " + std::to_string(id) + " is hidden or disabled, or a modal box is open"};
  }
  return window;
}

std::string window_text(HWND window) {
  LRESULT length = send(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
  LRESULT got = send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, length)));
  return text;
}

// The status line; empty when it is gone. The program reads its messages only between
// commands or in a modal box, so an empty line means the command has finished.
std::string status_text() {
  HWND line = GetDlgItem(app_window(), kStatusLineId);
  try {
    return line ? window_text(line) : std::string();
  } catch (const Failure&) {
    if (!IsWindow(line)) return {};
    throw;
  }
}

void wait_idle() {
  std::string last;
  if (!wait_for([&] { return (last = status_text()).empty(); })) throw Failure{1, "still busy: " + last};
}

// Button down and up go in together: a cursor move between them makes the list view drop it.
void click_at(HWND window, LONG x, LONG y) {
  post(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  post(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  settle(2);
}


void list_rows(int id) {
  HWND list = control(id, WC_LISTVIEWA);
  constexpr int kTextMax = 1024;
  RemoteMemory memory(process_of(list), sizeof(LVITEMA) + kTextMax);
  auto header = reinterpret_cast<HWND>(send(list, LVM_GETHEADER, 0, 0));
  int columns = std::max(header ? static_cast<int>(send(header, HDM_GETITEMCOUNT, 0, 0)) : 0, 1);
  int rows = static_cast<int>(send(list, LVM_GETITEMCOUNT, 0, 0));
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
}

// A click at the centre of the row's label (the first column takes it with or without
// full-row selection); the row must be in view.
void click_row(int id, int row) {
  HWND list = clickable(id, WC_LISTVIEWA);
  if (row >= send(list, LVM_GETITEMCOUNT, 0, 0)) throw Failure{1, "no row " + std::to_string(row)};
  RemoteMemory memory(process_of(list), sizeof(RECT));
  RECT r{};
  r.left = LVIR_LABEL;
  memory.write(0, &r, sizeof r);
  if (!send(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), memory.param())) throw Failure{1, "no row rectangle"};
  memory.read(0, &r, sizeof r);
  RECT client{};
  GetClientRect(list, &client);
  LONG y = (r.top + r.bottom) / 2;
  if (y < client.top || y >= client.bottom) throw Failure{1, "row " + std::to_string(row) + " is out of view"};
  click_at(list, (std::max(r.left, client.left) + std::min(r.right, client.right)) / 2, y);
}

// The id a control reports: a template's -1 reads back as 0xFFFF or -1.
int id_of(HWND window) {
  const int id = GetDlgCtrlID(window);
  return id == -1 ? 0xFFFF : id;
}

void rects() {
  HWND main = app_window();
  for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    std::printf("%d %ld %ld %ld %ld\n", id_of(child), r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
  RECT client{};
  GetClientRect(main, &client);
  std::printf("client %ld %ld\n", client.right, client.bottom);
  for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (class_of(child) != WC_LISTVIEWA) continue;
    auto header = reinterpret_cast<HWND>(send(child, LVM_GETHEADER, 0, 0));
    const int columns = header ? static_cast<int>(send(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    std::string line = "columns " + std::to_string(id_of(child));
    for (int c = 0; c < columns; ++c) line += " " + std::to_string(send(child, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0));
    print_line(line);
  }
}

// The control with the keyboard focus in the program's window thread.
HWND focused() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(app_window(), nullptr), &info) || !info.hwndFocus) {
    throw Failure{1, "nothing has the keyboard focus"};
  }
  return info.hwndFocus;
}

// With a button id, the button is clicked first, by this same process: a second driver
// started after the click could begin when a short exchange has ended already.
void watch(int button) {
  if (button != 0) {
    HWND target = clickable(button);
    RECT r{};
    GetClientRect(target, &r);
    post(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    post(target, WM_LBUTTONUP, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  }
  HWND line = control(kStatusLineId);
  double slowest = 0.0;
  // Every question to the window is a probe: it must come back within the limit.
  auto ask = [&](HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto start = Clock::now();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, kProbeLimitMs, &result)) {
      throw Failure{1, IsWindow(window) ? "the window did not answer within 250 ms" : "the window went away"};
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
  for (; status.empty(); status = read_line()) {
    if (Clock::now() >= until) throw Failure{1, "no exchange began within the timeout"};
    Sleep(20);
  }
  print_line("status=" + one_line(status));
  int probes = 0;
  while (!status.empty()) {
    ask(app_window(), WM_NULL, 0, 0);
    ++probes;
    Sleep(50);
    std::string now = read_line();
    if (!now.empty() && now != status) print_line("status=" + one_line(now));
    status = now;
  }
  std::printf("probes=%d slowest=%.0f\n", probes, slowest);
}

int run(const std::vector<std::string>& w) {
  const std::string& command = w[0];
  auto want = [&](size_t operands) {
    if (w.size() != operands + 1) throw Failure{2, command + " takes " + std::to_string(operands) + " operand(s)"};
    return true;
  };
  if (command == "wait-window" && want(0)) {
    RECT r{};
    GetWindowRect(app_window(), &r);
    std::printf("%lu %ld %ld %ld %ld\n", process_of(app_window()), r.left, r.top, r.right - r.left, r.bottom - r.top);
  } else if (command == "wait-gone" && want(0)) {
    if (!wait_for([&] { return main_windows(false).empty(); })) throw Failure{1, "the window is still there"};
  } else if (command == "list-rows" && want(1)) {
    list_rows(number(w[1]));
  } else if (command == "control" && want(1)) {
    print_line("text=" + one_line(window_text(control(number(w[1])))));
  } else if (command == "click" && want(1)) {
    HWND button = clickable(number(w[1]));
    RECT r{};
    GetClientRect(button, &r);
    click_at(button, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  } else if (command == "click-row" && want(2)) {
    click_row(number(w[1]), number(w[2]));
  } else if (command == "select" && want(2)) {
    int id = number(w[1]);
    HWND combo = control(id, WC_COMBOBOXA);
    if (send(combo, CB_SETCURSEL, static_cast<WPARAM>(number(w[2])), 0) == CB_ERR) throw Failure{1, "no such item"};
    // Posted: the window's answer may be a modal message box.
    post(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    settle(1);
  } else if (command == "ip" && want(2)) {
    unsigned a, b, c, d;
    char end;
    if (std::sscanf(w[2].c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &end) != 4 || (a | b | c | d) > 255) {
      throw Failure{2, "not an address: " + w[2]};
    }
    send(control(number(w[1]), WC_IPADDRESSA), IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(a, b, c, d)));
  } else if (command == "close" && want(0)) {
    HWND window = app_window();
    auto start = Clock::now();
    post(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (!wait_for([&] { return !IsWindow(window); })) throw Failure{1, "the window is still there"};
    std::printf("closed_ms=%.0f\n", std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  } else if (command == "messagebox" && want(0)) {
    HWND box = wait_message_box();
    print_line("caption=" + one_line(caption_of(box)));
    print_line("text=" + one_line(window_text(GetDlgItem(box, kMessageBoxTextId))));
  } else if (command == "answer-messagebox" && want(0)) {
    HWND box = wait_message_box();
    post(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    // The owner takes input again a moment after its box has gone.
    if (!wait_for([&] { return (!IsWindow(box) || !IsWindowVisible(box)) && IsWindowEnabled(app_window()); })) {
      throw Failure{1, "the box is still open"};
    }
    if (!g_no_wait) wait_idle();
  } else if (command == "rects" && want(0)) {
    rects();
  } else if (command == "screen-rect" && want(1)) {
    HWND window = number(w[1]) == 0xFFFF ? nullptr : control(number(w[1]));
    for (HWND child = GetWindow(app_window(), GW_CHILD); !window && child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (id_of(child) == 0xFFFF) window = child;
    }
    if (!window) throw Failure{1, "no control " + w[1]};
    RECT r{};
    GetWindowRect(window, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  } else if (command == "focus" && want(0)) {
    std::printf("%d\n", id_of(focused()));
  } else if (command == "key" && want(1)) {
    HWND target = focused();
    const auto key = static_cast<WPARAM>(number(w[1]));
    post(target, WM_KEYDOWN, key, 1);
    post(target, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
    settle(2);
  } else if (command == "wait-idle" && want(0)) {
    wait_idle();
  } else if (command == "watch" && w.size() <= 2) {
    watch(w.size() == 2 ? number(w[1]) : 0);
  } else {
    throw Failure{2, "unknown command " + command};
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Lines end in \n alone: the scripts that read them run on Linux.
  _setmode(_fileno(stdout), _O_BINARY);
  try {
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
      std::string word = argv[i];
      if (word == "--timeout" && i + 1 < argc) {
        g_timeout = std::atof(argv[++i]);
      } else if (word == "--no-wait") {
        g_no_wait = true;
      } else if (word.rfind("--", 0) == 0) {
        throw Failure{2, "unknown option " + word};
      } else {
        words.push_back(word);
      }
    }
    if (words.empty()) throw Failure{2, "no command"};
    return run(words);
  } catch (const Failure& failure) {
    std::fflush(stdout);
    std::fprintf(stderr, "vidudi-ui-driver: %s\n", failure.message.c_str());
    return failure.status;
  }
}

// A small dialog program for checking vidudi-ui-driver: every control kind the driver reads
// or drives, and a status line (1050) that says what the last user action did, so a script
// can see that a click, key or choice arrived the way a user's would.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kAboutDialog = 100;
constexpr int kMainDialog = 102;
constexpr int kLoginDialog = 103;
constexpr int kStatus = 1050;
constexpr UINT kAboutCommand = 16;

char g_login_text[64];

void set_status(HWND dialog, const char* text) {
  SetDlgItemTextA(dialog, kStatus, text);
}

INT_PTR CALLBACK about_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK login_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    GetDlgItemTextA(dialog, 1060, g_login_text, sizeof g_login_text);
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

void fill_list(HWND list) {
  const char* titles[] = {"Device Name", "IP Address", "Netmask", "Gateway"};
  for (int column = 0; column < 4; ++column) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = 90;
    col.pszText = const_cast<char*>(titles[column]);
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col));
  }
  // More rows than fit, so the last ones lie below the visible part of the list.
  for (int row = 0; row < 12; ++row) {
    char cells[4][32];
    std::snprintf(cells[0], sizeof cells[0], "NAS-%02d", row);
    std::snprintf(cells[1], sizeof cells[1], "10.77.1.%d", 10 + row);
    std::snprintf(cells[2], sizeof cells[2], "255.255.255.0");
    std::snprintf(cells[3], sizeof cells[3], row == 1 ? "" : "10.77.1.1");
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = cells[0];
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    for (int column = 1; column < 4; ++column) {
      item.iSubItem = column;
      item.pszText = cells[column];
      SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
  }
}

INT_PTR CALLBACK main_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  char text[128];
  switch (message) {
    case WM_INITDIALOG: {
      HMENU menu = GetSystemMenu(dialog, FALSE);
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(menu, MF_STRING, kAboutCommand, "About...");
      fill_list(GetDlgItem(dialog, 1000));
      SendDlgItemMessageA(dialog, 1015, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Enable"));
      SendDlgItemMessageA(dialog, 1015, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Disable"));
      SendDlgItemMessageA(dialog, 1006, IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 0, 7));
      SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      // As the program's first search does, before its window is first shown.
      if (lparam) Sleep(1500);
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->idFrom == 1000 && header->code == NM_CLICK) {
        const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(lparam);
        std::snprintf(text, sizeof text, "click row %d", click->iItem);
        set_status(dialog, text);
      }
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case 1002: set_status(dialog, "refresh"); return TRUE;
        case 1003: set_status(dialog, "mount"); return TRUE;
        case 1004:
          // Busy without looking at its messages, as the program is during a search.
          Sleep(1500);
          set_status(dialog, "slow done");
          return TRUE;
        case 1007: {
          int answer = MessageBoxA(dialog, "Line one\nLine two", "Warning", MB_OKCANCEL | MB_ICONWARNING);
          std::snprintf(text, sizeof text, "box %d", answer);
          set_status(dialog, text);
          return TRUE;
        }
        case 1008: {
          INT_PTR answer = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kLoginDialog), dialog, login_proc, 0);
          std::snprintf(text, sizeof text, "login %d %s", static_cast<int>(answer), g_login_text);
          set_status(dialog, text);
          return TRUE;
        }
        case 1015:
          if (HIWORD(wparam) == CBN_SELCHANGE) {
            std::snprintf(text, sizeof text, "combo %d", static_cast<int>(SendDlgItemMessageA(dialog, 1015, CB_GETCURSEL, 0, 0)));
            set_status(dialog, text);
          }
          return TRUE;
        case IDOK: set_status(dialog, "return"); return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
      }
      return FALSE;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == kAboutCommand) {
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAboutDialog), dialog, about_proc, 0);
        set_status(dialog, "about closed");
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

// "slow-start" on the command line holds the window back for a moment before it is shown.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&controls);
  return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(kMainDialog), nullptr, main_proc,
                                           std::strstr(command_line, "slow-start") != nullptr));
}

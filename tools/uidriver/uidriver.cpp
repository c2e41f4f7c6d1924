// Drives a running wizard from outside, the way a user would, and reads back
// what the user sees. Used by the end-to-end tests under Wine.
//
//   uidriver [--title TEXT] [--timeout MS] [--hidden 1] COMMAND [ARGS]
//
// The wizard is the visible top-level dialog whose caption starts with TEXT
// (default: the environment variable VELLAM_WIZARD_TITLE, else any dialog).
// Controls are found by id among the visible descendants of the wizard, so
// the id of a control on the current page is enough (with --hidden 1 the
// control itself may be hidden, e.g. the branded wizard's language list).
// Every command waits up to --timeout ms (default 15000) for what it needs, prints its result as
// UTF-8 on one line, and exits 0 on success, 1 on failure.
//
// Commands:
//   wait-wizard                 wait until the wizard is shown; print its caption
//   caption                     the wizard's caption, quoted: "Pellio Classic "
//   text ID                     text of the visible control ID
//   visible ID                  "1" when a visible control ID exists, else "0"
//   wait-text ID TEXT           wait until control ID shows TEXT
//   click ID                    press button ID (BM_CLICK, posted)
//   toggle ID                   click check box ID as a user would (its state changes)
//   checked ID                  "1" when check box ID is checked, else "0"
//   combo-items ID              entries of combo box ID, one per line
//   combo-selected ID           text of the selected entry of combo box ID
//   select ID INDEX             select entry INDEX of combo box ID as a user would
//   syscommand CMD              post WM_SYSCOMMAND CMD (decimal or 0x..) to the wizard
//   command ID                  post WM_COMMAND ID (BN_CLICKED, no control) to the wizard
//   send-command ID             the same, sent: returns once the wizard has handled it
//                               (only for a command that opens no modal window)
//   key VK                      post a key press VK (e.g. 0x1B, Escape) to the wizard itself
//   close                       post WM_CLOSE to the wizard (the close box)
//   has-minimize-box            "1" when the wizard's window has a minimise box, else "0"
//   has-sysmenu-item CMD        "1" when the wizard's system menu has command CMD
//   enabled                     "1" when the wizard takes input, "0" when it is disabled
//   messagebox                  wait for a message box; print "caption|text"
//   messagebox-owner            wait for a message box; print its owner's caption, quoted
//                               ("" when it has no owner)
//   answer ID                   wait for a message box and press its button ID
//   dialog TITLE ID             text of control ID in the top-level dialog TITLE
//   press-dialog TITLE ID       press button ID in the top-level dialog TITLE
//   wait-gone                   wait until no wizard window exists
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

DWORD g_timeout = 15000;
bool g_hidden = false;  // --hidden 1: a hidden control on the shown page counts too
std::wstring g_title;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring Wide(const char* text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(size > 0 ? size - 1 : 0), L'\0');
  if (size > 1) MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), size);
  return out;
}

void Print(const std::wstring& text) { std::printf("%s\n", Utf8(text).c_str()); }

std::wstring WindowText(HWND window) {
  wchar_t buffer[4096] = {};
  DWORD_PTR length = 0;
  // WM_GETTEXT is marshalled across processes; a time-out keeps a hung
  // wizard from hanging the test.
  SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                      5000, &length);
  return buffer;
}

std::wstring ClassName(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

template <typename Predicate>
bool WaitFor(Predicate done) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start > g_timeout) return false;
    Sleep(100);
  }
}

struct TopLevelSearch {
  std::wstring prefix;
  bool messageBox = false;
  HWND found = nullptr;
};

// A message box is a dialog whose static text has id 0xFFFF (65535).
bool IsMessageBox(HWND window) {
  HWND text = GetDlgItem(window, 0xFFFF);
  return text != nullptr && ClassName(window) == L"#32770";
}

BOOL CALLBACK FindTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<TopLevelSearch*>(context);
  if (!IsWindowVisible(window) || ClassName(window) != L"#32770") return TRUE;
  if (search->messageBox != IsMessageBox(window)) return TRUE;
  const std::wstring caption = WindowText(window);
  if (caption.compare(0, search->prefix.size(), search->prefix) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindWizard() {
  TopLevelSearch search{g_title, false, nullptr};
  EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindMessageBox() {
  TopLevelSearch search{L"", true, nullptr};
  EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindDialog(const std::wstring& title) {
  TopLevelSearch search{title, false, nullptr};
  EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found && WindowText(search.found) == title ? search.found : nullptr;
}

HWND WaitWizard() {
  HWND wizard = nullptr;
  WaitFor([&] { return (wizard = FindWizard()) != nullptr; });
  return wizard;
}

// The visible descendant with this id whose ancestors up to `root` are all
// visible: the control on the page that is shown now.
bool ShownUpTo(HWND window, HWND root) {
  for (HWND w = window; w && w != root; w = GetParent(w)) {
    if (!(GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE)) return false;
  }
  return true;
}

struct ControlSearch {
  HWND root;
  int id;
  HWND found;
};

// A named callback, not a lambda: the i686 build needs its stdcall convention.
BOOL CALLBACK FindControlCallback(HWND window, LPARAM param) {
  auto* c = reinterpret_cast<ControlSearch*>(param);
  const HWND shown = g_hidden ? GetParent(window) : window;
  if (GetDlgCtrlID(window) == c->id && ShownUpTo(shown, c->root)) {
    c->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindControl(HWND root, int id) {
  ControlSearch search{root, id, nullptr};
  EnumChildWindows(root, FindControlCallback, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitControl(int id) {
  HWND control = nullptr;
  WaitFor([&] {
    HWND wizard = FindWizard();
    return wizard && (control = FindControl(wizard, id)) != nullptr;
  });
  return control;
}

int Fail(const char* what) {
  std::fprintf(stderr, "uidriver: %s\n", what);
  return 1;
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
    std::wstring item(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    item.resize(wcslen(item.c_str()));
    items.push_back(item);
  }
  return items;
}

UINT ParseNumber(const char* text) { return static_cast<UINT>(std::strtoul(text, nullptr, 0)); }

void PressButton(HWND dialog, HWND button) {
  // Posted, so a modal box opened by the click never blocks the driver.
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

int Run(int argc, char** argv) {
  if (argc < 1) return Fail("no command");
  const std::string command = argv[0];
  auto needArgs = [&](int n) { return argc >= n + 1; };

  if (command == "wait-wizard") {
    HWND wizard = WaitWizard();
    if (!wizard) return Fail("no wizard window");
    Print(WindowText(wizard));
    return 0;
  }
  if (command == "wait-gone") {
    return WaitFor([] { return FindWizard() == nullptr; }) ? 0 : Fail("wizard still open");
  }
  if (command == "messagebox" || command == "messagebox-owner" || command == "answer") {
    HWND box = nullptr;
    WaitFor([&] { return (box = FindMessageBox()) != nullptr; });
    if (!box) return Fail("no message box");
    if (command == "messagebox") {
      Print(WindowText(box) + L"|" + WindowText(GetDlgItem(box, 0xFFFF)));
      return 0;
    }
    if (command == "messagebox-owner") {
      HWND owner = GetWindow(box, GW_OWNER);
      Print(owner ? L"\"" + WindowText(owner) + L"\"" : L"");
      return 0;
    }
    if (!needArgs(1)) return Fail("answer needs a button id");
    HWND button = GetDlgItem(box, static_cast<int>(ParseNumber(argv[1])));
    if (!button) return Fail("message box has no such button");
    PressButton(box, button);
    return WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }) ? 0
                                                                           : Fail("box stayed");
  }
  if (command == "dialog" || command == "press-dialog") {
    if (!needArgs(2)) return Fail("dialog needs a title and an id");
    const std::wstring title = Wide(argv[1]);
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = FindDialog(title)) != nullptr; });
    if (!dialog) return Fail("no such dialog");
    HWND control = GetDlgItem(dialog, static_cast<int>(ParseNumber(argv[2])));
    if (!control) return Fail("no such control");
    if (command == "dialog") {
      Print(WindowText(control));
    } else {
      PressButton(dialog, control);
    }
    return 0;
  }

  HWND wizard = WaitWizard();
  if (!wizard) return Fail("no wizard window");
  if (command == "caption") {
    Print(L"\"" + WindowText(wizard) + L"\"");
    return 0;
  }
  if (command == "close") {
    PostMessageW(wizard, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == "syscommand") {
    if (!needArgs(1)) return Fail("syscommand needs a command");
    PostMessageW(wizard, WM_SYSCOMMAND, ParseNumber(argv[1]), 0);
    return 0;
  }
  if (command == "command" || command == "send-command") {
    if (!needArgs(1)) return Fail("command needs an id");
    const WPARAM wParam = MAKEWPARAM(ParseNumber(argv[1]), BN_CLICKED);
    if (command == "command") {
      PostMessageW(wizard, WM_COMMAND, wParam, 0);
      return 0;
    }
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(wizard, WM_COMMAND, wParam, 0, SMTO_ABORTIFHUNG, g_timeout,
                               &ignored)
               ? 0
               : Fail("the wizard did not handle the command");
  }
  if (command == "has-minimize-box") {
    Print(GetWindowLongPtrW(wizard, GWL_STYLE) & WS_MINIMIZEBOX ? L"1" : L"0");
    return 0;
  }
  if (command == "enabled") {
    Print(IsWindowEnabled(wizard) ? L"1" : L"0");
    return 0;
  }
  if (command == "key") {
    if (!needArgs(1)) return Fail("key needs a virtual-key code");
    // To the wizard window itself: a key inside a page belongs to the page.
    const WPARAM key = ParseNumber(argv[1]);
    PostMessageW(wizard, WM_KEYDOWN, key, 1);
    PostMessageW(wizard, WM_KEYUP, key, 0xC0000001);
    return 0;
  }
  if (command == "has-sysmenu-item") {
    if (!needArgs(1)) return Fail("has-sysmenu-item needs a command");
    HMENU menu = GetSystemMenu(wizard, FALSE);
    const UINT state = menu ? GetMenuState(menu, ParseNumber(argv[1]), MF_BYCOMMAND) : 0xFFFFFFFF;
    Print(state == 0xFFFFFFFF ? L"0" : L"1");
    return 0;
  }
  if (!needArgs(1)) return Fail("command needs a control id");
  const int id = static_cast<int>(ParseNumber(argv[1]));
  if (command == "visible") {
    Print(FindControl(wizard, id) ? L"1" : L"0");
    return 0;
  }
  HWND control = WaitControl(id);
  if (!control) return Fail("no visible control with that id");
  if (command == "text") {
    Print(WindowText(control));
    return 0;
  }
  if (command == "wait-text") {
    if (!needArgs(2)) return Fail("wait-text needs a text");
    const std::wstring expected = Wide(argv[2]);
    // Looked up afresh each time: the control first found may belong to a
    // page that is on its way out (the same id on the page shown before).
    if (WaitFor([&] {
          HWND shownWizard = FindWizard();
          HWND current = shownWizard ? FindControl(shownWizard, id) : nullptr;
          if (current) control = current;
          return current && WindowText(current) == expected;
        })) {
      return 0;
    }
    Print(WindowText(control));
    return Fail("text did not appear");
  }
  if (command == "toggle") {
    // To the box itself: an automatic check box changes its state on a
    // real click only, then tells its page.
    PostMessageW(control, BM_CLICK, 0, 0);
    return 0;
  }
  if (command == "checked") {
    Print(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"1" : L"0");
    return 0;
  }
  if (command == "click") {
    PressButton(GetParent(control), control);
    return 0;
  }
  if (command == "combo-items") {
    for (const auto& item : ComboItems(control)) Print(item);
    return 0;
  }
  if (command == "combo-selected") {
    const LRESULT selected = SendMessageW(control, CB_GETCURSEL, 0, 0);
    const auto items = ComboItems(control);
    if (selected < 0 || static_cast<size_t>(selected) >= items.size()) return Fail("no selection");
    Print(items[static_cast<size_t>(selected)]);
    return 0;
  }
  if (command == "select") {
    if (!needArgs(2)) return Fail("select needs an index");
    SendMessageW(control, CB_SETCURSEL, ParseNumber(argv[2]), 0);
    PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control));
    return 0;
  }
  return Fail("unknown command");
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* title = std::getenv("VELLAM_WIZARD_TITLE")) g_title = Wide(title);
  int first = 1;
  while (first + 1 < argc && argv[first][0] == '-' && argv[first][1] == '-') {
    const std::string option = argv[first];
    if (option == "--title") g_title = Wide(argv[first + 1]);
    else if (option == "--timeout") g_timeout = ParseNumber(argv[first + 1]);
    else if (option == "--hidden") g_hidden = ParseNumber(argv[first + 1]) != 0;
    else break;
    first += 2;
  }
  return Run(argc - first, argv + first);
}

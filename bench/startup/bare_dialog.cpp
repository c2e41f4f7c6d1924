// The start-up benchmark's baseline (bench/startup/run): a dialog from a
// resource template, the wizard's size and style, that does no work of its
// own. Built with the installer's toolchain and flags; never shipped.
#include <windows.h>

namespace {

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  DialogBoxParamW(instance, MAKEINTRESOURCEW(103), nullptr, DialogProc, 0);
  return 0;
}

#include <windows.h>

#include "app/win32/vellam_app.h"
#include "platform/win32/system_library.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: never from the folder we were started in.
  platform::win32::RestrictDllSearchToSystem32();
  CVellamApp app;
  app.InitInstance();
  return 0;
}

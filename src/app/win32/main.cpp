#include <windows.h>

#include "app/win32/vellam_app.h"
#include "platform/win32/system_library.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: never from the folder we were started in.
  platform::win32::RestrictDllSearchToSystem32();
  {
    CVellamApp app;
    app.InitInstance();
  }  // the wizard has done its waits; GDI+ is shut down
  // A detached worker (an in-memory download, an event report) may still be
  // running and using the process-wide objects: the file system, WinHTTP,
  // the settings, the download manager. Returning would destroy them under
  // it; ExitProcess stops every other thread first and destroys nothing.
  ExitProcess(0);
}

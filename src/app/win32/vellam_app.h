// The application object: prepares the user-interface services, runs the
// wizard modally and tears the services down again.
#pragma once

#include "platform/win32/gdiplus_session.h"

class CVellamApp {
 public:
  CVellamApp() = default;
  ~CVellamApp() = default;
  CVellamApp(const CVellamApp&) = delete;
  CVellamApp& operator=(const CVellamApp&) = delete;

  // Always false: when the wizard closes, the process ends.
  bool InitInstance();

 private:
  platform::win32::GdiplusSession gdiplus_;
};

// The application object: prepares the user-interface services, runs the
// wizard modally and tears the services down again.
#pragma once

#include <cstdint>

class CVellamApp {
 public:
  CVellamApp() = default;
  ~CVellamApp();
  CVellamApp(const CVellamApp&) = delete;
  CVellamApp& operator=(const CVellamApp&) = delete;

  // Always false: when the wizard closes, the process ends.
  bool InitInstance();

 private:
  std::uintptr_t gdiplusToken_ = 0;
};

// The product identity fixed when the installer is built (see
// vellam_build_config.h). Tests construct their own.
#pragma once

#include <string>

struct ProductConstants {
  std::wstring wizardName;  // "ISV" or "DLM"
  std::wstring productTitle;
  std::wstring productId;
  std::wstring publisher;
  std::wstring stubId;
  std::wstring installerObjectPath;
  std::wstring productExePath;
  std::wstring mainInstallArgs;
  std::wstring configHost;   // configuration CDN: /o, /zbd, /f/
  std::wstring rolloutHost;  // main product source (HTTPS)
  std::wstring webHost;      // maker's web pages
};

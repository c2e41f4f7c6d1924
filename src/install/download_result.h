// What a file download ends with.
#pragma once

#include <string>

struct DownloadResult {
  bool ok = false;
  // Empty on success; otherwise the tagged texts of every client that failed.
  std::wstring errorText;
};

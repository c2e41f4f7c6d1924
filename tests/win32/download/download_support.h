// What the download tests share: the reference server's addresses, a scratch
// folder, a download manager over the real Windows services, and a hidden
// window with its own message loop that receives the progress messages.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/configuration_manager.h"
#include "install/download_manager.h"

namespace download_tests {

// One listener of the reference server, e.g. https://localhost or
// http://localhost:8080, from the ports tools/devserver/serve passes on.
struct Origin {
  std::string name;   // "https" or "http", for test names
  std::wstring base;  // scheme, host and port, no slash at the end
};
std::vector<Origin> Origins();

// A fresh folder in the temporary folder, deleted with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// A download manager whose work folder and download folder are `work` and
// `downloads`, over the real WinHTTP, WinINet, files and clock.
std::shared_ptr<DownloadManager> MakeManager(const std::wstring& work,
                                             const std::wstring& downloads);

bool FileExists(const std::wstring& path);
std::string ReadWholeFile(const std::wstring& path);
// What the server's generated/N source sends: byte i is i % 251.
std::string Pattern(std::size_t size);
// A fail-first key no other test (or earlier run against the same server) uses.
std::wstring UniqueKey(const char* what);

// A hidden (message-only) window on a thread of its own, pumping messages like the
// wizard's page window does. It records WM_USER+1 and WM_USER+2.
class ProgressWindow {
 public:
  struct Message {
    UINT message;
    WPARAM wParam;
  };
  // Called on the window's thread for every recorded message.
  explicit ProgressWindow(std::function<void(const Message&)> onMessage = nullptr);
  ~ProgressWindow();

  HWND handle() const { return window_; }
  // Waits until every message posted before this call has been handled, then
  // returns what was recorded.
  std::vector<Message> Received();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Run();

  std::function<void(const Message&)> onMessage_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  HWND window_ = nullptr;
  bool ready_ = false;
  unsigned syncsSent_ = 0;
  unsigned syncsSeen_ = 0;
  std::vector<Message> received_;
};

}  // namespace download_tests

#include "download_support.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>

#include "install/download_manager.h"
#include "install/win32/download_platform_win32.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_platform.h"

namespace download_tests {
namespace {

constexpr UINT kSync = WM_APP + 1;

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

void DeleteTree(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path);
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::vector<Origin> Origins() {
  const char* https = std::getenv("VELLAM_DEVSERVER_HTTPS_PORT");
  const char* http = std::getenv("VELLAM_DEVSERVER_HTTP_PORT");
  if (!https || !http) {
    ADD_FAILURE() << "no reference server: run this program through tools/devserver/serve run";
    return {};
  }
  std::vector<Origin> origins;
  const std::string httpsPort = https;
  origins.push_back({"https", httpsPort == "443" ? L"https://localhost"
                                                 : L"https://localhost:" + Widen(httpsPort)});
  origins.push_back({"http", L"http://localhost:" + Widen(http)});
  return origins;
}

ScratchFolder::ScratchFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  static std::atomic<unsigned> counter{0};
  path_ = std::wstring(temp) + L"vellam-download-" + std::to_wstring(GetCurrentProcessId()) +
          L"-" + std::to_wstring(++counter);
  DeleteTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { DeleteTree(path_); }

std::shared_ptr<DownloadManager> MakeManager(const std::wstring& work,
                                             const std::wstring& downloads) {
  namespace w = platform::win32;
  ProductConstants constants;
  constants.wizardName = L"ISV";
  auto settings = std::make_shared<ConfigurationManager>(
      constants, ConfigurationPlatform{w::RealFileSystem(), w::RealSystemInfo(), w::RealRegistry(),
                                       w::RealClock(), w::RealDialogs()});
  // The settings made a private folder of their own; these tests use theirs.
  if (!settings->workFolder.empty()) RemoveDirectoryW(settings->workFolder.c_str());
  settings->workFolder = work;
  settings->downloadFolder = downloads;
  return std::make_shared<DownloadManager>(settings, Win32DownloadPlatform());
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::wstring& path) {
  const platform::win32::ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                     nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return "<missing>";
  std::string content;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    content.append(buffer, read);
  }
  return content;
}

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

std::wstring UniqueKey(const char* what) {
  static std::atomic<unsigned> counter{0};
  return Widen(what) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
}

// --- ProgressWindow --------------------------------------------------------

ProgressWindow::ProgressWindow(std::function<void(const Message&)> onMessage)
    : onMessage_(std::move(onMessage)) {
  thread_ = std::thread([this] { Run(); });
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return ready_; });
  if (!window_) ADD_FAILURE() << "the progress window could not be created";
}

ProgressWindow::~ProgressWindow() {
  if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
  thread_.join();
}

std::vector<ProgressWindow::Message> ProgressWindow::Received() {
  if (!window_) return {};
  unsigned wanted;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wanted = ++syncsSent_;
  }
  // Posted after everything the caller's thread posted before, so handled
  // after it.
  PostMessageW(window_, kSync, 0, 0);
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return syncsSeen_ >= wanted; });
  return received_;
}

LRESULT CALLBACK ProgressWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self && (message == kWmDownloadProgress || message == kWmLengthMissing)) {
    {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->received_.push_back({message, wParam});
    }
    if (self->onMessage_) self->onMessage_({message, wParam});
    return 0;
  }
  if (self && message == kSync) {
    std::lock_guard<std::mutex> lock(self->mutex_);
    ++self->syncsSeen_;
    self->changed_.notify_all();
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void ProgressWindow::Run() {
  static const wchar_t kClass[] = L"VellamDownloadTestWindow";
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClass;
  RegisterClassW(&windowClass);  // fails harmlessly when already registered
  // Message-only: it needs no display (the tests run without one) and posted
  // messages reach it exactly as they reach a page window.
  HWND window = CreateWindowExW(0, kClass, L"download test", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    window_ = window;
    ready_ = true;
  }
  changed_.notify_all();
  if (!window) return;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace download_tests

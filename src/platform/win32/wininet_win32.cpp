#include <windows.h>
#include <wininet.h>

#include "platform/win32/system_library.h"
#include "platform/win32/wininet_api.h"

namespace platform::win32 {
namespace {

// The portable constants must be Windows' own.
static_assert(kInternetOpenTypePreconfig == INTERNET_OPEN_TYPE_PRECONFIG);
static_assert(kInternetFlagReload == INTERNET_FLAG_RELOAD);
static_assert(kInternetFlagNoAutoRedirect == INTERNET_FLAG_NO_AUTO_REDIRECT);
static_assert(kHttpQueryLocation == HTTP_QUERY_LOCATION);
static_assert(kHttpQueryContentLength == HTTP_QUERY_CONTENT_LENGTH);
static_assert(kHttpQueryStatusCode == HTTP_QUERY_STATUS_CODE);
static_assert(kHttpQueryFlagNumber == HTTP_QUERY_FLAG_NUMBER);

template <typename Fn>
bool Load(Fn& target, const char* name) {
  target = SystemProcedure<Fn>(L"wininet.dll", name);
  return target != nullptr;
}

WinInetFunctions* LoadTable() {
  static WinInetFunctions table;
  const bool complete = Load(table.InternetOpenW, "InternetOpenW") &&
                        Load(table.InternetOpenUrlW, "InternetOpenUrlW") &&
                        Load(table.HttpQueryInfoW, "HttpQueryInfoW") &&
                        Load(table.InternetReadFile, "InternetReadFile") &&
                        Load(table.InternetCloseHandle, "InternetCloseHandle");
  return complete ? &table : nullptr;
}

class Win32WinInet final : public platform::WinInet {
 public:
  InternetHandle InternetOpenW(const wchar_t* agent, std::uint32_t accessType,
                               const wchar_t* proxy, const wchar_t* proxyBypass,
                               std::uint32_t flags) override {
    if (!Api()) return nullptr;
    return api_->InternetOpenW(agent, accessType, proxy, proxyBypass, flags);
  }

  InternetHandle InternetOpenUrlW(InternetHandle session, const wchar_t* url,
                                  const wchar_t* headers, std::uint32_t headersLength,
                                  std::uint32_t flags, std::uintptr_t context) override {
    if (!Api()) return nullptr;
    return api_->InternetOpenUrlW(session, url, headers, headersLength, flags, context);
  }

  bool HttpQueryInfoW(InternetHandle request, std::uint32_t infoLevel, void* buffer,
                      std::uint32_t& bufferLength, std::uint32_t* index) override {
    if (!Api()) return false;
    DWORD length = bufferLength;
    DWORD headerIndex = index ? *index : 0;
    const BOOL ok =
        api_->HttpQueryInfoW(request, infoLevel, buffer, &length, index ? &headerIndex : nullptr);
    bufferLength = length;
    if (index) *index = headerIndex;
    return ok != FALSE;
  }

  bool InternetReadFile(InternetHandle file, void* buffer, std::uint32_t toRead,
                        std::uint32_t& read) override {
    if (!Api()) return false;
    DWORD count = 0;
    const BOOL ok = api_->InternetReadFile(file, buffer, toRead, &count);
    read = count;
    return ok != FALSE;
  }

  bool InternetCloseHandle(InternetHandle handle) override {
    return Api() && api_->InternetCloseHandle(handle);
  }

  std::uint32_t LastError() override { return GetLastError(); }

 private:
  bool Api() {
    if (!api_) SetLastError(ERROR_MOD_NOT_FOUND);
    return api_ != nullptr;
  }

  // Fixed when the one client is built; read-only afterwards.
  const WinInetFunctions* const api_ = WinInetApi();
};

}  // namespace

const WinInetFunctions* WinInetApi() {
  static const WinInetFunctions* const table = LoadTable();
  return table;
}

platform::WinInet& RealWinInet() {
  static Win32WinInet client;
  return client;
}

}  // namespace platform::win32

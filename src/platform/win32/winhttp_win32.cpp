#include <windows.h>
#include <winhttp.h>

#include "platform/win32/system_library.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winhttp_api.h"

namespace platform::win32 {
namespace {

// The portable constants must be Windows' own.
static_assert(kWinHttpAccessTypeDefaultProxy == WINHTTP_ACCESS_TYPE_DEFAULT_PROXY);
static_assert(kWinHttpAccessTypeNoProxy == WINHTTP_ACCESS_TYPE_NO_PROXY);
static_assert(kWinHttpAccessTypeNamedProxy == WINHTTP_ACCESS_TYPE_NAMED_PROXY);
static_assert(kWinHttpOptionSecureProtocols == WINHTTP_OPTION_SECURE_PROTOCOLS);
static_assert(kWinHttpFlagSecureProtocolSsl2 == WINHTTP_FLAG_SECURE_PROTOCOL_SSL2);
static_assert(kWinHttpFlagSecureProtocolSsl3 == WINHTTP_FLAG_SECURE_PROTOCOL_SSL3);
static_assert(kWinHttpFlagSecureProtocolTls1 == WINHTTP_FLAG_SECURE_PROTOCOL_TLS1);
static_assert(kWinHttpFlagSecureProtocolTls1_1 == WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1);
static_assert(kWinHttpFlagSecureProtocolTls1_2 == WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2);
static_assert(kWinHttpFlagRefresh == WINHTTP_FLAG_REFRESH);
static_assert(kWinHttpFlagSecure == WINHTTP_FLAG_SECURE);
static_assert(kWinHttpAddreqFlagAdd == WINHTTP_ADDREQ_FLAG_ADD);
static_assert(kWinHttpAddreqFlagReplace == WINHTTP_ADDREQ_FLAG_REPLACE);
static_assert(kWinHttpAccessTypeAutomaticProxy == WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY);
static_assert(kWinHttpOptionDisableFeature == WINHTTP_OPTION_DISABLE_FEATURE);
static_assert(kWinHttpDisableRedirects == WINHTTP_DISABLE_REDIRECTS);
static_assert(kWinHttpQueryContentLength == WINHTTP_QUERY_CONTENT_LENGTH);
static_assert(kWinHttpQueryStatusCode == WINHTTP_QUERY_STATUS_CODE);
static_assert(kWinHttpQueryLocation == WINHTTP_QUERY_LOCATION);
static_assert(kWinHttpQueryFlagNumber == WINHTTP_QUERY_FLAG_NUMBER);
static_assert(kInternetSchemeHttp == INTERNET_SCHEME_HTTP);
static_assert(kInternetSchemeHttps == INTERNET_SCHEME_HTTPS);
static_assert(kInternetDefaultHttpPort == INTERNET_DEFAULT_HTTP_PORT);
static_assert(kInternetDefaultHttpsPort == INTERNET_DEFAULT_HTTPS_PORT);
static_assert(kErrorNotEnoughMemory == ERROR_NOT_ENOUGH_MEMORY);
static_assert(kErrorInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(kErrorInsufficientBuffer == ERROR_INSUFFICIENT_BUFFER);
static_assert(kErrorModNotFound == ERROR_MOD_NOT_FOUND);
static_assert(kErrorProcNotFound == ERROR_PROC_NOT_FOUND);
static_assert(kErrorWinHttpTimeout == ERROR_WINHTTP_TIMEOUT);
static_assert(kErrorWinHttpInvalidUrl == ERROR_WINHTTP_INVALID_URL);
static_assert(kErrorWinHttpUnrecognizedScheme == ERROR_WINHTTP_UNRECOGNIZED_SCHEME);
static_assert(kErrorWinHttpNameNotResolved == ERROR_WINHTTP_NAME_NOT_RESOLVED);
static_assert(kErrorWinHttpCannotConnect == ERROR_WINHTTP_CANNOT_CONNECT);
static_assert(kErrorWinHttpConnectionError == ERROR_WINHTTP_CONNECTION_ERROR);
static_assert(kErrorWinHttpSecureInvalidCa == ERROR_WINHTTP_SECURE_INVALID_CA);
static_assert(kErrorWinHttpInvalidServerResponse == ERROR_WINHTTP_INVALID_SERVER_RESPONSE);
static_assert(kErrorWinHttpInvalidHeader == ERROR_WINHTTP_INVALID_HEADER);
static_assert(kErrorWinHttpSecureFailure == ERROR_WINHTTP_SECURE_FAILURE);

template <typename Fn>
bool Load(Fn& target, const char* name) {
  target = SystemProcedure<Fn>(L"winhttp.dll", name);
  return target != nullptr;
}

WinHttpFunctions* LoadTable() {
  static WinHttpFunctions table;
  const bool complete = Load(table.WinHttpOpen, "WinHttpOpen") &&
                        Load(table.WinHttpCloseHandle, "WinHttpCloseHandle") &&
                        Load(table.WinHttpSetOption, "WinHttpSetOption") &&
                        Load(table.WinHttpQueryOption, "WinHttpQueryOption") &&
                        Load(table.WinHttpSetTimeouts, "WinHttpSetTimeouts") &&
                        Load(table.WinHttpCrackUrl, "WinHttpCrackUrl") &&
                        Load(table.WinHttpConnect, "WinHttpConnect") &&
                        Load(table.WinHttpOpenRequest, "WinHttpOpenRequest") &&
                        Load(table.WinHttpAddRequestHeaders, "WinHttpAddRequestHeaders") &&
                        Load(table.WinHttpSendRequest, "WinHttpSendRequest") &&
                        Load(table.WinHttpReceiveResponse, "WinHttpReceiveResponse") &&
                        Load(table.WinHttpQueryHeaders, "WinHttpQueryHeaders") &&
                        Load(table.WinHttpQueryDataAvailable, "WinHttpQueryDataAvailable") &&
                        Load(table.WinHttpReadData, "WinHttpReadData");
  return complete ? &table : nullptr;
}

std::wstring Part(const wchar_t* text, DWORD length) {
  return text && length ? std::wstring(text, length) : std::wstring();
}

class Win32WinHttp final : public platform::WinHttp {
 public:
  HttpHandle WinHttpOpen(const wchar_t* userAgent, std::uint32_t accessType,
                         const wchar_t* proxyName, const wchar_t* proxyBypass,
                         std::uint32_t flags) override {
    if (!Api()) return nullptr;
    return api_->WinHttpOpen(userAgent, accessType, proxyName, proxyBypass, flags);
  }

  bool WinHttpSetOption(HttpHandle handle, std::uint32_t option, const void* buffer,
                        std::uint32_t length) override {
    return Api() && api_->WinHttpSetOption(handle, option, const_cast<void*>(buffer), length);
  }

  bool WinHttpCrackUrl(const std::wstring& url, std::uint32_t flags,
                       UrlComponents& components) override {
    if (!Api()) return false;
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUserNameLength = static_cast<DWORD>(-1);
    parts.dwPasswordLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!api_->WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), flags, &parts)) {
      return false;
    }
    components.scheme = Part(parts.lpszScheme, parts.dwSchemeLength);
    components.schemeNumber = static_cast<int>(parts.nScheme);
    components.hostName = Part(parts.lpszHostName, parts.dwHostNameLength);
    components.port = parts.nPort;
    components.userName = Part(parts.lpszUserName, parts.dwUserNameLength);
    components.password = Part(parts.lpszPassword, parts.dwPasswordLength);
    components.urlPath = Part(parts.lpszUrlPath, parts.dwUrlPathLength);
    components.extraInfo = Part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    return true;
  }

  HttpHandle WinHttpConnect(HttpHandle session, const wchar_t* serverName, std::uint16_t port,
                            std::uint32_t reserved) override {
    if (!Api()) return nullptr;
    return api_->WinHttpConnect(session, serverName, port, reserved);
  }

  HttpHandle WinHttpOpenRequest(HttpHandle connection, const wchar_t* verb,
                                const wchar_t* objectName, const wchar_t* version,
                                const wchar_t* referrer, const wchar_t* const* acceptTypes,
                                std::uint32_t flags) override {
    if (!Api()) return nullptr;
    return api_->WinHttpOpenRequest(connection, verb, objectName, version, referrer,
                                    const_cast<LPCWSTR*>(acceptTypes), flags);
  }

  bool WinHttpAddRequestHeaders(HttpHandle request, const wchar_t* headers, std::uint32_t length,
                                std::uint32_t modifiers) override {
    return Api() && api_->WinHttpAddRequestHeaders(request, headers, length, modifiers);
  }

  bool WinHttpSendRequest(HttpHandle request, const wchar_t* headers, std::uint32_t headersLength,
                          const void* optional, std::uint32_t optionalLength,
                          std::uint32_t totalLength, std::uintptr_t context) override {
    return Api() && api_->WinHttpSendRequest(request, headers, headersLength,
                                             const_cast<void*>(optional), optionalLength,
                                             totalLength, context);
  }

  bool WinHttpReceiveResponse(HttpHandle request, void* reserved) override {
    return Api() && api_->WinHttpReceiveResponse(request, reserved);
  }

  bool WinHttpQueryHeaders(HttpHandle request, std::uint32_t infoLevel, const wchar_t* name,
                           void* buffer, std::uint32_t& bufferLength,
                           std::uint32_t* index) override {
    if (!Api()) return false;
    DWORD length = bufferLength;
    DWORD headerIndex = index ? *index : 0;
    const BOOL ok = api_->WinHttpQueryHeaders(request, infoLevel, name, buffer, &length,
                                              index ? &headerIndex : WINHTTP_NO_HEADER_INDEX);
    bufferLength = length;
    if (index) *index = headerIndex;
    return ok != FALSE;
  }

  bool WinHttpQueryDataAvailable(HttpHandle request, std::uint32_t& available) override {
    if (!Api()) return false;
    DWORD count = 0;
    const BOOL ok = api_->WinHttpQueryDataAvailable(request, &count);
    available = count;
    return ok != FALSE;
  }

  bool WinHttpReadData(HttpHandle request, void* buffer, std::uint32_t toRead,
                       std::uint32_t& read) override {
    if (!Api()) return false;
    DWORD count = 0;
    const BOOL ok = api_->WinHttpReadData(request, buffer, toRead, &count);
    read = count;
    return ok != FALSE;
  }

  bool WinHttpCloseHandle(HttpHandle handle) override {
    return Api() && api_->WinHttpCloseHandle(handle);
  }

  std::uint32_t LastError() override { return GetLastError(); }

 private:
  bool Api() {
    if (!api_) SetLastError(ERROR_MOD_NOT_FOUND);
    return api_ != nullptr;
  }

  // Fixed when the one client is built; read-only afterwards, so every
  // thread may use it.
  const WinHttpFunctions* const api_ = WinHttpApi();
};

}  // namespace

const WinHttpFunctions* WinHttpApi() {
  static const WinHttpFunctions* const table = LoadTable();
  return table;
}

platform::WinHttp& RealWinHttp() {
  static Win32WinHttp client;
  return client;
}

}  // namespace platform::win32

#include <windows.h>

#include <climits>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {
namespace {

static_assert(kCpAcp == CP_ACP && kCpThreadAcp == CP_THREAD_ACP && kCpUtf8 == CP_UTF8);

class Win32CodePages final : public CodePages {
 public:
  bool FromWide(std::uint32_t codePage, const std::wstring& text, std::string& out) override {
    out.clear();
    if (text.empty()) return true;
    if (text.size() > INT_MAX) return false;
    const int length = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return false;
    out.resize(static_cast<std::size_t>(needed));
    if (WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), needed, nullptr,
                            nullptr) != needed) {
      out.clear();
      return false;
    }
    return true;
  }

  bool ToWide(std::uint32_t codePage, const std::string& text, std::wstring& out) override {
    out.clear();
    if (text.empty()) return true;
    if (text.size() > INT_MAX) return false;
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) return false;
    out.resize(static_cast<std::size_t>(needed));
    if (MultiByteToWideChar(codePage, 0, text.data(), length, out.data(), needed) != needed) {
      out.clear();
      return false;
    }
    return true;
  }
};

}  // namespace

CodePages& RealCodePages() {
  static Win32CodePages codePages;
  return codePages;
}

}  // namespace platform::win32

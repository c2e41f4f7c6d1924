// The shared registry cases against the registry of the Wine prefix, which is
// 64-bit: this suite is a 64-bit process in the x86-64 build and a 32-bit
// process under WOW64 in the i686 build, and expects what that process sees.
// Each test seeds keys of its own (named after this process, so the Windows
// 10 and Windows 7 runs never meet) in both views and removes them afterwards.
#include <windows.h>

#include "../../shared/registry_contract.h"

#include "platform/win32/win32_platform.h"

namespace {

// A 32-bit program on the 64-bit prefix is under WOW64 (checked by the
// identity suite, IdentityWin32.Wow64MatchesTheProcessArchitecture).
constexpr bool kThirtyTwoBit = sizeof(void*) == 4;

HKEY ToHkey(platform::RegistryKey root) {
  return root == platform::kHkeyCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

class WineSandbox {
 public:
  WineSandbox()
      : name(L"vellamtest" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(++instances_)) {}
  ~WineSandbox() {
    Remove(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
    Remove(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY);
    Remove(HKEY_CURRENT_USER, KEY_WOW64_64KEY);
    // The machine is left as it was found.
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\" + name).c_str(), 0,
                            KEY_READ | KEY_WOW64_32KEY, &key),
              ERROR_SUCCESS);
  }

  const std::wstring name;
  const bool wow64 = kThirtyTwoBit;

  platform::Registry& Registry() { return platform::win32::RealRegistry(); }

  void CreateKey(platform::RegistryKey root, const std::wstring& subKey, std::uint32_t view) {
    RegCloseKey(Create(root, subKey, view));
  }

  void SetValue(platform::RegistryKey root, const std::wstring& subKey, std::uint32_t view,
                const std::wstring& valueName, std::uint32_t type, const void* data,
                std::uint32_t bytes) {
    HKEY key = Create(root, subKey, view);
    EXPECT_EQ(RegSetValueExW(key, valueName.c_str(), 0, type, static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

 private:
  HKEY Create(platform::RegistryKey root, const std::wstring& subKey, std::uint32_t view) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(ToHkey(root), subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
  }

  void Remove(HKEY root, REGSAM view) {
    HKEY software = nullptr;
    if (RegOpenKeyExW(root, L"Software", 0, KEY_ALL_ACCESS | view, &software) != ERROR_SUCCESS) {
      return;
    }
    RegDeleteTreeW(software, name.c_str());
    RegCloseKey(software);
  }

  static inline int instances_ = 0;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Wine, RegistryContract, WineSandbox);

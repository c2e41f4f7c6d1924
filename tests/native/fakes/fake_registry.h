// An in-memory Windows registry as one process sees it: a 32-bit Windows, a
// 32-bit process on 64-bit Windows (WOW64) or a 64-bit process. On 64-bit
// Windows HKLM\SOFTWARE has its 32-bit branch SOFTWARE\Wow6432Node; opens from
// HKLM in the 32-bit view (KEY_WOW64_32KEY, or no view flag in a 32-bit
// process) are redirected there, opens relative to an open key are not. HKCU\Software is shared by both views, as on Windows 7
// and later. Key and value names compare case-insensitively; subkeys
// enumerate in ascending order of their lower-cased names, as Wine lists them.
//
// Calls mirror what Wine and Windows answer, measured: a leading backslash
// is a bad path (161), repeated or trailing backslashes are ignored, an empty
// subkey under a predefined key hands back the predefined key itself,
// RegGetValueW expands REG_EXPAND_SZ (from `environment`) and reports it as
// REG_SZ unless RRF_NOEXPAND is given, and adds the missing zero to a string
// stored without one. Strings are stored as wchar_t text, so sizes are in
// units of sizeof(wchar_t).
//
// Every call is counted; `FailNext` makes a chosen call fail with a status.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

class FakeRegistry : public platform::Registry {
 public:
  enum class Machine { kWindows32, kWow64Process, kNative64Process };
  enum class Call {
    kOpenKey, kQueryInfoKey, kEnumKey, kGetValue, kQueryValue, kCloseKey, kCreateKey, kSetValue
  };

  struct Counts {
    int openKey = 0;
    int queryInfoKey = 0;
    int enumKey = 0;
    int getValue = 0;
    int queryValue = 0;
    int closeKey = 0;
    int createKey = 0;
    int setValue = 0;
    int Total() const {
      return openKey + queryInfoKey + enumKey + getValue + queryValue + closeKey + createKey +
             setValue;
    }
  };

  explicit FakeRegistry(Machine machine = Machine::kNative64Process);
  ~FakeRegistry() override;

  // Seeding, as a process of this machine would write with RegCreateKeyExW
  // and RegSetValueExW; `viewFlags` is 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY.
  void CreateKey(platform::RegistryKey root, const std::wstring& path,
                 std::uint32_t viewFlags = 0);
  void SetValue(platform::RegistryKey root, const std::wstring& path, const std::wstring& name,
                std::uint32_t type, const std::vector<std::uint8_t>& data,
                std::uint32_t viewFlags = 0);
  void SetString(platform::RegistryKey root, const std::wstring& path, const std::wstring& name,
                 const std::wstring& text, std::uint32_t viewFlags = 0,
                 std::uint32_t type = platform::kRegSz);
  void SetDword(platform::RegistryKey root, const std::wstring& path, const std::wstring& name,
                std::uint32_t value, std::uint32_t viewFlags = 0);
  void SetQword(platform::RegistryKey root, const std::wstring& path, const std::wstring& name,
                std::uint64_t value, std::uint32_t viewFlags = 0);

  // The `skip`+1-th call of that kind from now returns `status` instead.
  void FailNext(Call call, long status, int skip = 0);

  Counts counts;
  // Every successful or failed open: physical path ("HKLM\SOFTWARE\...")
  // after redirection, as asked.
  std::vector<std::wstring> opens;
  std::vector<std::uint32_t> accessAsked;
  // Variables for REG_EXPAND_SZ, by lower-cased name.
  std::map<std::wstring, std::wstring> environment{{L"systemroot", L"C:\\windows"}};

  // Keys opened and not closed yet.
  std::size_t OpenHandles() const { return handles_.size(); }

  long OpenKeyA(platform::RegistryKey root, const std::string& subKey, std::uint32_t access,
                platform::RegistryKey& opened) override;
  long QueryValueA(platform::RegistryKey key, const std::string& name, std::uint8_t* buffer,
                   std::uint32_t& size) override;
  long CloseKey(platform::RegistryKey key) override;
  long OpenKeyW(platform::RegistryKey root, const std::wstring& subKey, std::uint32_t access,
                platform::RegistryKey& opened) override;
  long QueryInfoKeyW(platform::RegistryKey key, std::uint32_t& subKeys,
                     std::uint32_t& maxSubKeyLength) override;
  long EnumKeyExW(platform::RegistryKey key, std::uint32_t index, wchar_t* name,
                  std::uint32_t& length) override;
  long GetValueW(platform::RegistryKey key, const std::wstring& subKey,
                 const std::wstring& valueName, std::uint32_t flags, std::uint32_t* type,
                 void* data, std::uint32_t* size) override;
  long QueryValueExW(platform::RegistryKey key, const std::wstring& valueName,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override;
  // Writes land in the view the access flags choose, like opens; the path is
  // recorded in `opens` too.
  long CreateKeyExW(platform::RegistryKey root, const std::wstring& subKey, std::uint32_t access,
                    platform::RegistryKey& created) override;
  long SetValueExW(platform::RegistryKey key, const std::wstring& valueName, std::uint32_t type,
                   const std::uint8_t* data, std::uint32_t size) override;

 private:
  struct Value {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };
  struct Node {
    std::wstring name;
    std::map<std::wstring, std::unique_ptr<Node>> children;  // by lower-cased name
    std::map<std::wstring, Value> values;                     // by lower-cased name
  };
  struct Handle {
    platform::RegistryKey root;
    std::vector<std::wstring> path;  // physical, as stored
  };

  bool Fails(Call call, long& status);
  bool Resolve(platform::RegistryKey key, Handle& handle) const;
  std::vector<std::wstring> PhysicalPath(const Handle& base, const std::wstring& subKey,
                                         std::uint32_t access) const;
  Node* Find(platform::RegistryKey root, const std::vector<std::wstring>& path) const;
  Node& Create(platform::RegistryKey root, const std::vector<std::wstring>& path);
  Node* NodeOf(platform::RegistryKey key) const;
  std::vector<std::uint8_t> Expand(const std::vector<std::uint8_t>& data) const;

  Machine machine_;
  std::map<platform::RegistryKey, std::unique_ptr<Node>> roots_;
  std::map<platform::RegistryKey, Handle> handles_;
  platform::RegistryKey nextHandle_ = 0x1000;
  struct Failure {
    Call call;
    long status;
    int skip;
  };
  std::vector<Failure> failures_;
};

// Wide text as the fake stores a string value: wchar_t units with the zero.
std::vector<std::uint8_t> WideBytes(const std::wstring& text, bool terminated = true);

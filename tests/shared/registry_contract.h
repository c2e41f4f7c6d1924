// Registry cases that hold for the in-memory registry of the native tests and
// for the real registry alike. The native suite runs them against
// FakeRegistry, the Windows suite against the registry of the Wine prefix, so
// the fake stays faithful to what Windows answers.
//
// Both run on 64-bit Windows, as one of two processes: a 64-bit one, which is
// not under WOW64, reads the 64-bit view by default and sees
// SOFTWARE\Wow6432Node as an ordinary key; or a 32-bit one under WOW64 (the
// shipped installer), whose default view of HKLM\SOFTWARE is that 32-bit
// branch. Cases whose answer differs carry one expectation for each. Seeding
// writes explicitly into either view.
//
// A suite provides a sandbox type with:
//   platform::Registry& Registry();
//   bool wow64;         // the registry is seen by a 32-bit process under WOW64
//   std::wstring name;  // lowercase, unique to this test (a key under Software)
//   void CreateKey(platform::RegistryKey root, const std::wstring& subKey, std::uint32_t view);
//   void SetValue(platform::RegistryKey root, const std::wstring& subKey, std::uint32_t view,
//                 const std::wstring& valueName, std::uint32_t type, const void* data,
//                 std::uint32_t bytes);  // strings as UTF-16/wchar_t with their zero
// and instantiates: INSTANTIATE_TYPED_TEST_SUITE_P(Name, RegistryContract, Sandbox);
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "rules/registry_access.h"
#include "rules/registry_error.h"
#include "rules/registry_paths.h"
#include "rules/subkey_cache.h"

namespace registry_contract {

constexpr std::uint32_t k64 = platform::kKeyWow64_64Key;
constexpr std::uint32_t k32 = platform::kKeyWow64_32Key;
constexpr platform::RegistryKey kHklm = platform::kHkeyLocalMachine;
constexpr platform::RegistryKey kHkcu = platform::kHkeyCurrentUser;
// No registry hands out this handle value.
constexpr platform::RegistryKey kBogusHandle = 0x7FFFFFF0;

// For failure messages: ASCII text of a test's wide string.
inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace registry_contract

template <class Sandbox>
class RegistryContract : public ::testing::Test {
 protected:
  Sandbox box;
  SubkeyCache cache;

  platform::Registry& registry() { return box.Registry(); }

  // "Software\<name>\rest", for seeding.
  std::wstring Sub(const std::wstring& rest) const {
    return L"Software\\" + box.name + (rest.empty() ? L"" : L"\\" + rest);
  }
  // "hkey_local_machine\software\<name>\rest" and the same under HKCU.
  std::wstring Hklm(const std::wstring& rest) const {
    return L"hkey_local_machine\\software\\" + box.name + (rest.empty() ? L"" : L"\\" + rest);
  }
  std::wstring Hkcu(const std::wstring& rest) const {
    return L"hkey_current_user\\software\\" + box.name + (rest.empty() ? L"" : L"\\" + rest);
  }

  bool Exists(const std::wstring& path) {
    return RegistryKeyExists(registry(), box.wow64, cache, path);
  }

  void SetString(const std::wstring& key, const std::wstring& name, const std::wstring& text,
                 std::uint32_t type = platform::kRegSz, std::uint32_t view = registry_contract::k64) {
    // UTF-16 on Windows; wchar_t text in the fake, which counts in wchar_t.
    const std::wstring withZero = text + L'\0';
    box.SetValue(registry_contract::kHklm, Sub(key), view, name, type, withZero.data(),
                 static_cast<std::uint32_t>(withZero.size() * sizeof(wchar_t)));
  }
  void SetDword(const std::wstring& key, const std::wstring& name, std::uint32_t value) {
    box.SetValue(registry_contract::kHklm, Sub(key), registry_contract::k64, name,
                 platform::kRegDword, &value, sizeof value);
  }
  void SetQword(const std::wstring& key, const std::wstring& name, std::uint64_t value) {
    box.SetValue(registry_contract::kHklm, Sub(key), registry_contract::k64, name,
                 platform::kRegQword, &value, sizeof value);
  }

  // <name>\values in the 64-bit view: one value of each kind the rules meet.
  void SeedValues() {
    SetString(L"values", L"sz", L"Hello World");
    SetString(L"values", L"emptysz", L"");
    SetString(L"values", L"ex", L"%SystemRoot%\\x", platform::kRegExpandSz);
    const wchar_t multi[] = L"a\0b\0";  // two strings and the closing zero
    box.SetValue(registry_contract::kHklm, Sub(L"values"), registry_contract::k64, L"multi",
                 platform::kRegMultiSz, multi, sizeof multi);
    const std::uint8_t binary[] = {1, 2, 3};
    box.SetValue(registry_contract::kHklm, Sub(L"values"), registry_contract::k64, L"bin",
                 platform::kRegBinary, binary, sizeof binary);
    SetDword(L"values", L"dw", 42);
    SetQword(L"values", L"qw", 1ull << 40);
  }

  platform::ScopedRegistryKey OpenValues() {
    return OpenRegistryKey(registry(), Hklm(L"values"), platform::kKeyRead | registry_contract::k64);
  }
};

TYPED_TEST_SUITE_P(RegistryContract);

TYPED_TEST_P(RegistryContract, KeysAreTestedInTheViewOfTheProcess) {
  using namespace registry_contract;
  this->box.CreateKey(kHklm, this->Sub(L"only64"), k64);
  this->box.CreateKey(kHklm, this->Sub(L"only32"), k32);
  this->box.CreateKey(kHklm, this->Sub(L"Mixed\\Case"), k64);
  this->box.CreateKey(kHkcu, this->Sub(L"cu"), k32);
  const std::wstring name = this->box.name;

  const struct {
    std::wstring path;
    bool native64, wow64;  // exists for a 64-bit process / under WOW64
  } cases[] = {
      // Paths under the software prefixes are read in the 64-bit view by both.
      {this->Hklm(L"only64"), true, true},
      {this->Hklm(L""), true, true},
      {this->Hklm(L"only32"), false, false},  // written to the 32-bit branch only
      {this->Hklm(L"missing"), false, false},
      {this->Hklm(L"only64\\"), true, true},
      {L"hkey_local_machine\\software\\" + name + L"\\\\only64", true, true},
      {L"hkey_local_machine\\software\\" + name + L"x\\only64", false, false},
      // Without WOW64 the 32-bit branch counts as absent, though the key is
      // there; under WOW64 it is the process's own default view.
      {L"hkey_local_machine\\software\\wow6432node\\" + name + L"\\only32", false, true},
      {L"hkey_current_user\\software\\wow6432node\\" + name + L"\\cu", false, true},
      // A path outside the software prefixes is opened as written, in the
      // process's default view: the 32-bit branch under WOW64...
      {L"hkey_local_machine\\SOFTWARE\\Wow6432Node\\" + name + L"\\only32", true, true},
      {L"hkey_local_machine\\Software\\" + name + L"\\Only32", false, true},
      {L"hkey_local_machine\\Software\\" + name + L"\\MIXED\\Case", true, false},
      {L"hkey_local_machine\\Software\\" + name + L"\\Mixed\\Other", false, false},
      {this->Hklm(L"mixed\\case"), true, true},
      // ...but HKCU\Software is shared by both views.
      {this->Hkcu(L"cu"), true, true},
      {L"hkey_current_user\\Software\\" + name + L"\\CU", true, true},
      {this->Hkcu(L"only64"), false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(this->Exists(c.path), this->box.wow64 ? c.wow64 : c.native64) << Narrow(c.path);
  }
}

TYPED_TEST_P(RegistryContract, RulePathsFindTheirKeys) {
  using namespace registry_contract;
  this->box.CreateKey(kHklm, this->Sub(L"only64"), k64);
  this->box.CreateKey(kHklm, this->Sub(L"only32"), k32);
  this->box.CreateKey(kHkcu, this->Sub(L"cu"), k64);
  const std::wstring name = this->box.name;
  const auto anyExists = [&](const std::wstring& rulePath) {
    for (const std::wstring& candidate : ExpandRegistryPath(rulePath, this->box.wow64)) {
      if (this->Exists(candidate)) return true;
    }
    return false;
  };
  const struct {
    std::wstring rulePath;
    bool native64, wow64;  // found by a 64-bit process / under WOW64
  } cases[] = {
      {name + L"\\only64", true, true},
      {name + L"\\cu", true, true},
      // Only under WOW64 does a relative path also try the 32-bit branch.
      {name + L"\\only32", false, true},
      {name + L"\\missing", false, false},
      {L"hklm\\software\\" + name + L"\\only64", true, true},
      // Not lowercase, so opened directly in the default view, which is the
      // 32-bit branch under WOW64.
      {L"hklm\\Software\\" + name + L"\\Only64", true, false},
      {L"hklm\\Software\\" + name + L"\\Only32", false, true},
      {L"hkcu\\software\\" + name + L"\\cu", true, true},
      {L"hkcu\\software\\" + name + L"\\only64", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(anyExists(c.rulePath), this->box.wow64 ? c.wow64 : c.native64)
        << Narrow(c.rulePath);
  }
}

TYPED_TEST_P(RegistryContract, SubkeysAreListedLowercaseInRegistryOrder) {
  using namespace registry_contract;
  for (const wchar_t* child : {L"Beta", L"alpha", L"Gamma", L"a_b", L"Delta Key"}) {
    this->box.CreateKey(kHklm, this->Sub(std::wstring(L"list\\") + child), k64);
  }
  this->box.CreateKey(kHklm, this->Sub(L"empty"), k64);
  {
    auto key = OpenRegistryKey(this->registry(), this->Hklm(L"list"), platform::kKeyRead | k64);
    EXPECT_EQ(EnumerateSubkeys(this->registry(), key.Get()),
              (std::vector<std::wstring>{L"a_b", L"alpha", L"beta", L"delta key", L"gamma"}));
  }
  auto empty = OpenRegistryKey(this->registry(), this->Hklm(L"empty"), platform::kKeyRead | k64);
  EXPECT_TRUE(EnumerateSubkeys(this->registry(), empty.Get()).empty());
}

TYPED_TEST_P(RegistryContract, FailedCallsRaiseTheirMessageAndStatus) {
  using namespace registry_contract;
  const auto expectError = [](auto&& call, const char* message, std::int32_t code) {
    try {
      call();
      ADD_FAILURE() << "no RegistryError, expected " << message;
    } catch (const win32::RegistryError& error) {
      EXPECT_STREQ(error.what(), message);
      EXPECT_EQ(error.code(), code) << message;
    }
  };
  platform::Registry& registry = this->registry();
  expectError([&] { OpenRegistryKey(registry, this->Hklm(L"missing"), platform::kKeyRead); },
              "Cannot open registry key: RegOpenKeyEx failed.", 2);
  expectError([&] { OpenRegistryKey(registry, L"hkey_local_machine\\\\software", platform::kKeyRead); },
              "Cannot open registry key: RegOpenKeyEx failed.", 161);
  expectError([&] { EnumerateSubkeys(registry, kBogusHandle); },
              "RegQueryInfoKey failed while preparing for subkey enumeration.", 6);
  EXPECT_THROW(OpenRegistryKey(registry, L"hkey_nowhere\\x", platform::kKeyRead),
               std::out_of_range);

  this->SeedValues();
  auto key = this->OpenValues();
  expectError([&] { ReadRegistryString(registry, key.Get(), L"", L"dw"); },
              "Cannot read string from registry", 1630);
  expectError([&] { ReadRegistryString(registry, key.Get(), L"", L"multi"); },
              "Cannot read string from registry", 1630);
  expectError([&] { ReadRegistryString(registry, key.Get(), L"", L"missing"); },
              "Cannot read string from registry", 2);
  expectError([&] { ReadRegistryDword(registry, key.Get(), L"qw"); },
              "Cannot read DWORD from registry.", 1630);
  expectError([&] { ReadRegistryQword(registry, key.Get(), L"dw"); },
              "Cannot read QWORD from registry.", 1630);
  expectError([&] { ReadRegistryQword(registry, key.Get(), L"missing"); },
              "Cannot read QWORD from registry.", 2);
}

TYPED_TEST_P(RegistryContract, ValuesAreReadTestedAndTyped) {
  this->SeedValues();
  platform::Registry& registry = this->registry();
  auto key = this->OpenValues();

  EXPECT_EQ(ReadRegistryString(registry, key.Get(), L"", L"sz"), L"Hello World");
  EXPECT_EQ(ReadRegistryString(registry, key.Get(), L"", L"emptysz"), L"");
  // RegGetValueW expands REG_EXPAND_SZ and hands it over as REG_SZ.
  EXPECT_EQ(LowercaseRegistryText(ReadRegistryString(registry, key.Get(), L"", L"ex")),
            L"c:\\windows\\x");
  {
    auto parent = OpenRegistryKey(registry, this->Hklm(L""), platform::kKeyRead | registry_contract::k64);
    EXPECT_EQ(ReadRegistryString(registry, parent.Get(), L"values", L"sz"), L"Hello World");
  }
  EXPECT_EQ(ReadRegistryDword(registry, key.Get(), L"dw"), 42u);
  EXPECT_EQ(ReadRegistryQword(registry, key.Get(), L"qw"), 1ull << 40);

  const struct {
    const wchar_t* name;
    std::uint32_t type;
    bool exists;
  } values[] = {
      {L"sz", 1, true},    {L"ex", 2, true},       {L"dw", 4, true},  {L"qw", 11, true},
      {L"multi", 7, true}, {L"bin", 3, true},      {L"SZ", 1, true},  {L"missing", 0, false},
      {L"", 0, false},  // the key has no default value
  };
  for (const auto& v : values) {
    EXPECT_EQ(RegistryValueType(registry, key.Get(), v.name), v.type) << registry_contract::Narrow(v.name);
    EXPECT_EQ(RegistryValueExists(registry, key.Get(), v.name), v.exists) << registry_contract::Narrow(v.name);
  }
  EXPECT_EQ(RegistryValueType(registry, registry_contract::kBogusHandle, L"sz"), 0u);
  EXPECT_FALSE(RegistryValueExists(registry, registry_contract::kBogusHandle, L"sz"));
}

TYPED_TEST_P(RegistryContract, ValueDataIsComparedByType) {
  this->SeedValues();
  platform::Registry& registry = this->registry();
  auto key = this->OpenValues();
  const struct {
    std::uint32_t type;
    const wchar_t* name;
    const wchar_t* expected;
    bool equal;
  } cases[] = {
      {1, L"sz", L"hello world", true},   // stored text is lowercased first
      {1, L"sz", L"Hello World", false},  // expected is compared as given
      {1, L"sz", L"hello", false},
      {1, L"emptysz", L"", true},
      {1, L"dw", L"42", false},  // not a string: the read fails
      {1, L"missing", L"", false},
      {4, L"dw", L"42", true},
      {4, L"dw", L"0042", true},
      {4, L"dw", L" +42", true},
      {4, L"dw", L"42abc", true},  // conversion stops at the first non-digit
      {4, L"dw", L"-4294967254", true},  // wraps around in 32 bits, as stoul does on Windows
      {4, L"dw", L"43", false},
      {4, L"sz", L"abc", false},  // read fails before any conversion
      {4, L"qw", L"0", false},
      {11, L"qw", L"1099511627776", true},
      {11, L"qw", L"1099511627777", false},
      {11, L"dw", L"42", false},
      {2, L"ex", L"c:\\windows\\x", false},  // other types are never equal
      {3, L"bin", L"", false},
      {7, L"multi", L"a", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RegistryValueEquals(registry, c.type, key.Get(), c.name, c.expected), c.equal)
        << c.type << " " << registry_contract::Narrow(c.name) << " "
        << registry_contract::Narrow(c.expected);
  }
}

TYPED_TEST_P(RegistryContract, BadExpectedNumbersEscapeAfterASuccessfulRead) {
  this->SeedValues();
  platform::Registry& registry = this->registry();
  auto key = this->OpenValues();
  const struct {
    std::uint32_t type;
    const wchar_t* name;
    const wchar_t* expected;
    bool invalid;  // else out of range
    const char* message;
  } cases[] = {
      {4, L"dw", L"abc", true, "invalid stoul argument"},
      {4, L"dw", L"", true, "invalid stoul argument"},
      {4, L"dw", L"4294967296", false, "stoul argument out of range"},
      {11, L"qw", L"x1", true, "invalid stoull argument"},
      {11, L"qw", L"18446744073709551616", false, "stoull argument out of range"},
  };
  for (const auto& c : cases) {
    try {
      RegistryValueEquals(registry, c.type, key.Get(), c.name, c.expected);
      ADD_FAILURE() << "no exception: " << c.message;
    } catch (const std::invalid_argument& error) {
      EXPECT_TRUE(c.invalid) << c.message;
      EXPECT_STREQ(error.what(), c.message);
    } catch (const std::out_of_range& error) {
      EXPECT_FALSE(c.invalid) << c.message;
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

TYPED_TEST_P(RegistryContract, ValuesAreReadAsTextByRootAndPath) {
  using registry_contract::k32;
  using registry_contract::k64;
  this->SeedValues();
  this->SetString(L"values32", L"sz", L"32-bit", platform::kRegSz, k32);
  // One key in both views: the 64-bit one is asked first, the 32-bit one only
  // for what the first cannot answer.
  this->SetString(L"both", L"sz", L"64-bit", platform::kRegSz, k64);
  this->SetString(L"both", L"sz", L"32-bit", platform::kRegSz, k32);
  this->SetString(L"both", L"only32", L"32-bit only", platform::kRegSz, k32);
  const std::wstring software = L"software\\" + this->box.name;
  const struct {
    std::wstring keyPath;
    const wchar_t* value;
    const wchar_t* native64;  // the text a 64-bit process reads; null: not found
    const wchar_t* wow64;     // the same under WOW64
  } cases[] = {
      {software + L"\\values", L"sz", L"Hello World", L"Hello World"},
      {software + L"\\values", L"emptysz", L"", L""},
      {software + L"\\values", L"dw", L"42", L"42"},
      {software + L"\\values", L"qw", L"1099511627776", L"1099511627776"},
      {software + L"\\values", L"ex", nullptr, nullptr},  // REG_EXPAND_SZ is not read as text
      {software + L"\\values", L"multi", nullptr, nullptr},
      {software + L"\\values", L"bin", nullptr, nullptr},
      {software + L"\\values", L"missing", nullptr, nullptr},
      {software + L"\\nokey", L"sz", nullptr, nullptr},
      // Capitals: no software prefix, one candidate, opened in the default view.
      {L"SOFTWARE\\" + this->box.name + L"\\VALUES", L"sz", L"Hello World", nullptr},
      {L"SOFTWARE\\" + this->box.name + L"\\values32", L"sz", nullptr, L"32-bit"},
      // The 32-bit branch is the second candidate, under WOW64 only.
      {software + L"\\values32", L"sz", nullptr, L"32-bit"},
      {software + L"\\both", L"sz", L"64-bit", L"64-bit"},
      {software + L"\\both", L"only32", nullptr, L"32-bit only"},
  };
  for (const auto& c : cases) {
    const wchar_t* expected = this->box.wow64 ? c.wow64 : c.native64;
    std::wstring out = L"unchanged";
    EXPECT_EQ(ReadRegistryValueAsString(this->registry(), this->box.wow64, this->cache,
                                        L"hkey_local_machine", c.keyPath, c.value, out),
              expected != nullptr)
        << registry_contract::Narrow(c.keyPath) << " " << registry_contract::Narrow(c.value);
    EXPECT_EQ(out, expected ? std::wstring(expected) : L"unchanged")
        << registry_contract::Narrow(c.keyPath) << " " << registry_contract::Narrow(c.value);
  }
}

TYPED_TEST_P(RegistryContract, KeysAreCreatedAndValuesWrittenThroughTheWideCalls) {
  using namespace registry_contract;
  platform::Registry& registry = this->registry();
  const auto create = [&](const std::wstring& subKey, std::uint32_t view,
                          platform::RegistryKey& key) {
    return registry.CreateKeyExW(kHklm, subKey, platform::kKeySetValue | view, key);
  };
  const auto dword = [&](const std::wstring& subKey, const wchar_t* name, std::uint32_t view) {
    platform::RegistryKey key = 0;
    if (registry.OpenKeyW(kHklm, subKey, platform::kKeyRead | view, key) != 0) return -1LL;
    std::uint32_t value = 0, size = sizeof value, type = 0;
    const long status = registry.GetValueW(key, L"", name, platform::kRrfRtRegDword, &type,
                                           &value, &size);
    registry.CloseKey(key);
    return status == 0 ? static_cast<long long>(value) : -1LL;
  };
  const std::uint32_t date = 20240512;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&date);

  // Missing keys on the way are made; an existing key is opened.
  for (int round = 0; round < 2; ++round) {
    platform::RegistryKey key = 0;
    ASSERT_EQ(create(this->Sub(L"made\\deeper"), k64, key), 0) << "round " << round;
    EXPECT_NE(key, 0u);
    EXPECT_EQ(registry.SetValueExW(key, L"shown", platform::kRegDword, bytes, 4), 0);
    EXPECT_EQ(registry.CloseKey(key), 0);
  }
  EXPECT_EQ(dword(this->Sub(L"made\\deeper"), L"shown", k64), date);
  EXPECT_EQ(dword(this->Sub(L"MADE\\Deeper"), L"SHOWN", k64), date);

  // The 32-bit view of a 64-bit process writes into the 32-bit branch.
  platform::RegistryKey key32 = 0;
  ASSERT_EQ(create(this->Sub(L"made32"), k32, key32), 0);
  EXPECT_EQ(registry.SetValueExW(key32, L"", platform::kRegDword, bytes, 4), 0);
  registry.CloseKey(key32);
  EXPECT_EQ(dword(L"Software\\Wow6432Node\\" + this->box.name + L"\\made32", L"", k64), date);
  EXPECT_EQ(dword(this->Sub(L"made32"), L"", k64), -1);

  EXPECT_EQ(registry.SetValueExW(kBogusHandle, L"x", platform::kRegDword, bytes, 4),
            platform::kErrorInvalidHandle);
  platform::RegistryKey rooted = 0;
  EXPECT_EQ(create(L"\\" + this->Sub(L"rooted"), k64, rooted), platform::kErrorBadPathname);
  EXPECT_EQ(rooted, 0u);
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, KeysAreTestedInTheViewOfTheProcess,
                            RulePathsFindTheirKeys, SubkeysAreListedLowercaseInRegistryOrder,
                            FailedCallsRaiseTheirMessageAndStatus, ValuesAreReadTestedAndTyped,
                            ValueDataIsComparedByType, BadExpectedNumbersEscapeAfterASuccessfulRead,
                            ValuesAreReadAsTextByRootAndPath,
                            KeysAreCreatedAndValuesWrittenThroughTheWideCalls);

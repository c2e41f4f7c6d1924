// The registry layer on the machines the Windows tests cannot be: a 32-bit
// process under WOW64 and 32-bit Windows; the subkey cache counted call by
// call; and the failures that only a scripted registry can provoke.
#include "rules/registry_access.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "fakes/fake_registry.h"
#include "rules/registry_paths.h"

namespace {

using Machine = FakeRegistry::Machine;
using Call = FakeRegistry::Call;
constexpr platform::RegistryKey kHklm = platform::kHkeyLocalMachine;
constexpr platform::RegistryKey kHkcu = platform::kHkeyCurrentUser;
constexpr std::uint32_t k64 = platform::kKeyWow64_64Key;
constexpr std::uint32_t k32 = platform::kKeyWow64_32Key;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class RegistryLayer : public ::testing::Test {
 protected:
  // A 32-bit process on 64-bit Windows, as the shipped installer runs.
  FakeRegistry registry{Machine::kWow64Process};
  SubkeyCache cache;
  bool wow64 = true;

  void SetUp() override {
    registry.CreateKey(kHklm, L"SOFTWARE\\Vendor64\\App", k64);
    registry.CreateKey(kHklm, L"SOFTWARE\\Vendor32\\App", k32);
    registry.CreateKey(kHklm, L"SOFTWARE\\Both\\App", k64);
    registry.CreateKey(kHklm, L"SOFTWARE\\Both\\App", k32);
    registry.CreateKey(kHkcu, L"Software\\UserVendor\\App");
  }
  void TearDown() override { EXPECT_EQ(registry.OpenHandles(), 0u) << "a key was left open"; }

  bool Exists(const std::wstring& path) { return RegistryKeyExists(registry, wow64, cache, path); }
  bool AnyExists(const std::wstring& rulePath) {
    for (const std::wstring& candidate : ExpandRegistryPath(rulePath, wow64)) {
      if (Exists(candidate)) return true;
    }
    return false;
  }
};

TEST_F(RegistryLayer, UnderWow64KeysAreFoundInTheirOwnView) {
  const struct {
    const wchar_t* path;
    bool exists;
  } cases[] = {
      {L"hkey_local_machine\\software\\vendor64\\app", true},
      {L"hkey_local_machine\\software\\vendor32\\app", false},  // the 64-bit view only
      {L"hkey_local_machine\\software\\wow6432node\\vendor32\\app", true},
      {L"hkey_local_machine\\software\\wow6432node\\vendor64\\app", false},
      {L"hkey_local_machine\\software\\both\\app", true},
      {L"hkey_current_user\\software\\uservendor\\app", true},
      {L"hkey_current_user\\software\\wow6432node\\uservendor\\app", true},  // HKCU is shared
      // Outside the software prefixes: opened as written, in the process's
      // default view, which for a 32-bit process is the 32-bit branch.
      {L"hkey_local_machine\\SOFTWARE\\Vendor32\\App", true},
      {L"hkey_local_machine\\SOFTWARE\\Vendor64\\App", false},
      {L"hkey_local_machine\\software", true},
  };
  for (const auto& c : cases) EXPECT_EQ(Exists(c.path), c.exists) << Narrow(c.path);
  EXPECT_TRUE(AnyExists(L"vendor64\\app"));
  EXPECT_TRUE(AnyExists(L"vendor32\\app"));
  EXPECT_TRUE(AnyExists(L"uservendor"));
  EXPECT_FALSE(AnyExists(L"vendor32\\other"));
}

TEST_F(RegistryLayer, ViewFlagsOfEveryOpen) {
  registry.accessAsked.clear();
  registry.opens.clear();
  EXPECT_TRUE(Exists(L"hkey_local_machine\\software\\vendor64\\app"));
  for (std::uint32_t access : registry.accessAsked) EXPECT_EQ(access, 0x20119u);
  EXPECT_EQ(registry.opens.back(), L"HKLM\\software\\vendor64\\app");

  registry.accessAsked.clear();
  registry.opens.clear();
  EXPECT_TRUE(Exists(L"hkey_local_machine\\software\\wow6432node\\vendor32\\app"));
  for (std::uint32_t access : registry.accessAsked) EXPECT_EQ(access, 0x20019u);
  EXPECT_EQ(registry.opens.back(), L"HKLM\\software\\Wow6432Node\\vendor32\\app");
}

TEST_F(RegistryLayer, AMissingVendorCostsNoOpenOnceTheBranchIsListed) {
  EXPECT_FALSE(Exists(L"hkey_local_machine\\software\\notinstalled\\x"));
  const FakeRegistry::Counts afterFill = registry.counts;
  EXPECT_EQ(afterFill.openKey, 1);  // SOFTWARE, to list it
  EXPECT_EQ(afterFill.queryInfoKey, 1);
  EXPECT_EQ(afterFill.enumKey, 3);  // Both, Vendor64, Wow6432Node

  for (const wchar_t* vendor : {L"a", L"b\\c", L"vendor", L"vendor64x", L"app"}) {
    EXPECT_FALSE(Exists(std::wstring(L"hkey_local_machine\\software\\") + vendor));
  }
  EXPECT_EQ(registry.counts.Total(), afterFill.Total()) << "no registry call for absent vendors";

  // A listed vendor is confirmed by opening the branch and then the key.
  EXPECT_TRUE(Exists(L"hkey_local_machine\\software\\vendor64\\app"));
  EXPECT_EQ(registry.counts.openKey, afterFill.openKey + 2);
  EXPECT_EQ(registry.counts.queryInfoKey, 1);
  // Listed vendor, missing key below it.
  EXPECT_FALSE(Exists(L"hkey_local_machine\\software\\vendor64\\nothing"));
  EXPECT_EQ(registry.counts.openKey, afterFill.openKey + 4);
}

TEST_F(RegistryLayer, OneListingPerRootAndView) {
  // A relative path gives four candidates under WOW64: HKLM and HKCU in the
  // 64-bit view, then both again through the 32-bit branch.
  for (int offer = 0; offer < 10; ++offer) {
    for (int vendor = 0; vendor < 20; ++vendor) {
      EXPECT_FALSE(AnyExists(L"absent" + std::to_wstring(vendor) + L"\\product"));
    }
  }
  EXPECT_EQ(registry.counts.queryInfoKey, 4);
  EXPECT_EQ(registry.counts.openKey, 4);
  EXPECT_EQ(registry.counts.getValue + registry.counts.queryValue, 0);

  // The cached lists are those of each view: the 32-bit HKLM list holds the
  // 32-bit vendors only.
  EXPECT_EQ(cache.Names(kHklm, k64, L"software"),
            (std::vector<std::wstring>{L"both", L"vendor64", L"wow6432node"}));
  EXPECT_EQ(cache.Names(kHklm, 0, L"software"), (std::vector<std::wstring>{L"both", L"vendor32"}));
  EXPECT_EQ(cache.Names(kHkcu, k64, L"software"), (std::vector<std::wstring>{L"uservendor"}));
  EXPECT_EQ(cache.Names(kHkcu, 0, L"software"), (std::vector<std::wstring>{L"uservendor"}));
}

TEST_F(RegistryLayer, TheCacheIsASnapshotOfOneWalk) {
  EXPECT_FALSE(Exists(L"hkey_local_machine\\software\\latecomer"));
  registry.CreateKey(kHklm, L"SOFTWARE\\Latecomer", k64);
  EXPECT_FALSE(Exists(L"hkey_local_machine\\software\\latecomer"));
  SubkeyCache nextWalk;
  EXPECT_TRUE(RegistryKeyExists(registry, wow64, nextWalk, L"hkey_local_machine\\software\\latecomer"));
}

TEST_F(RegistryLayer, AFailedListingAnswersAbsentAndIsRetried) {
  const struct {
    Call call;
    long status;
    int skip;
  } failures[] = {
      {Call::kOpenKey, 5, 0},
      {Call::kQueryInfoKey, 5, 0},
      {Call::kEnumKey, 259, 1},  // a key vanished during the listing
      {Call::kEnumKey, 234, 0},  // a longer name appeared
  };
  for (const auto& failure : failures) {
    SubkeyCache fresh;
    registry.FailNext(failure.call, failure.status, failure.skip);
    EXPECT_FALSE(RegistryKeyExists(registry, wow64, fresh, L"hkey_local_machine\\software\\vendor64\\app"));
    EXPECT_TRUE(fresh.Names(kHklm, k64, L"software").empty());
    EXPECT_TRUE(RegistryKeyExists(registry, wow64, fresh, L"hkey_local_machine\\software\\vendor64\\app"));
  }
}

TEST_F(RegistryLayer, AFailedConfirmingOpenAnswersAbsent) {
  EXPECT_FALSE(Exists(L"hkey_local_machine\\software\\absent"));  // fills the list
  registry.FailNext(Call::kOpenKey, 5);  // the branch
  EXPECT_FALSE(Exists(L"hkey_local_machine\\software\\vendor64\\app"));
  registry.FailNext(Call::kOpenKey, 5, 1);  // the key below it
  EXPECT_FALSE(Exists(L"hkey_local_machine\\software\\vendor64\\app"));
  EXPECT_TRUE(Exists(L"hkey_local_machine\\software\\vendor64\\app"));
}

TEST_F(RegistryLayer, MalformedPathsEscape) {
  EXPECT_THROW(Exists(L"hkey_local_machine\\software\\"), std::out_of_range);
  EXPECT_THROW(Exists(L"hkey_nowhere\\x"), std::out_of_range);
  std::wstring out;
  EXPECT_THROW(ReadRegistryValueAsString(registry, wow64, cache, L"hkey_nowhere", L"x", L"v", out),
               std::out_of_range);
  EXPECT_THROW(ReadRegistryValueAsString(registry, wow64, cache, L"hkey_local_machine",
                                         L"software\\", L"v", out),
               std::out_of_range);
}

TEST_F(RegistryLayer, On32BitWindowsThe32BitBranchIsAbsentWithoutAnyCall) {
  FakeRegistry windows32(Machine::kWindows32);
  windows32.CreateKey(kHklm, L"SOFTWARE\\Vendor\\App");
  SubkeyCache walk;
  EXPECT_FALSE(RegistryKeyExists(windows32, false, walk,
                                 L"hkey_local_machine\\software\\wow6432node\\vendor\\app"));
  EXPECT_EQ(windows32.counts.Total(), 0);
  EXPECT_TRUE(RegistryKeyExists(windows32, false, walk, L"hkey_local_machine\\software\\vendor\\app"));
  for (std::uint32_t access : windows32.accessAsked) EXPECT_EQ(access, 0x20019u);
  EXPECT_EQ(ExpandRegistryPath(L"vendor\\app", false).size(), 2u);
  EXPECT_EQ(windows32.OpenHandles(), 0u);
}

class ValueAsText : public RegistryLayer {
 protected:
  void SetUp() override {
    RegistryLayer::SetUp();
    registry.SetString(kHklm, L"SOFTWARE\\Vendor32\\App", L"Path", L"C:\\x86", k32);
    registry.SetString(kHklm, L"SOFTWARE\\Both\\App", L"Path", L"C:\\native", k64);
    registry.SetString(kHklm, L"SOFTWARE\\Both\\App", L"Path", L"C:\\x86", k32);
    registry.SetString(kHklm, L"SOFTWARE\\Both\\App", L"Expand", L"%SystemRoot%", k64,
                       platform::kRegExpandSz);
    registry.SetString(kHklm, L"SOFTWARE\\Both\\App", L"Expand", L"plain", k32);
    registry.SetDword(kHklm, L"SOFTWARE\\Both\\App", L"Date", 20250301, k32);
    registry.SetQword(kHklm, L"SOFTWARE\\Both\\App", L"Big", 1ull << 40, k64);
  }
  bool Read(const std::wstring& root, const std::wstring& keyPath, const std::wstring& name,
            std::wstring& out) {
    return ReadRegistryValueAsString(registry, wow64, cache, root, keyPath, name, out);
  }
};

TEST_F(ValueAsText, The64BitViewFirstThenThe32BitBranch) {
  const struct {
    const wchar_t* keyPath;
    const wchar_t* name;
    bool found;
    const wchar_t* text;
  } cases[] = {
      {L"software\\both\\app", L"Path", true, L"C:\\native"},
      {L"software\\vendor32\\app", L"Path", true, L"C:\\x86"},  // second candidate
      {L"software\\both\\app", L"Expand", true, L"plain"},      // 64-bit value not text
      {L"software\\both\\app", L"Date", true, L"20250301"},
      {L"software\\both\\app", L"Big", true, L"1099511627776"},
      {L"software\\both\\app", L"None", false, L""},
      {L"software\\vendor64\\app", L"Path", false, L""},
      // Capitals: no second candidate, one direct open in the default view,
      // which a 32-bit process has redirected to the 32-bit branch.
      {L"SOFTWARE\\Both\\App", L"Path", true, L"C:\\x86"},
      {L"SOFTWARE\\Vendor32\\App", L"Path", true, L"C:\\x86"},
  };
  for (const auto& c : cases) {
    std::wstring out = L"unchanged";
    EXPECT_EQ(Read(L"hkey_local_machine", c.keyPath, c.name, out), c.found) << Narrow(c.keyPath);
    EXPECT_EQ(out, c.found ? std::wstring(c.text) : L"unchanged") << Narrow(c.keyPath);
  }
}

TEST_F(ValueAsText, TheSecondCandidateIsReadThroughThe32BitDefaultView) {
  std::wstring out;
  registry.opens.clear();
  registry.accessAsked.clear();
  ASSERT_TRUE(Read(L"hkey_local_machine", L"software\\vendor32\\app", L"Path", out));
  EXPECT_EQ(registry.opens.back(), L"HKLM\\software\\Wow6432Node\\vendor32\\app");
  EXPECT_EQ(registry.accessAsked.back(), 0x20019u);
}

TEST_F(ValueAsText, ReadFailuresFallThroughToTheNextCandidate) {
  std::wstring out;
  // Calls on the first candidate: exists (GetValue 1), type (QueryValue 1),
  // string size (GetValue 2), string (GetValue 3).
  const struct {
    Call call;
    int skip;
  } failures[] = {
      {Call::kGetValue, 0}, {Call::kQueryValue, 0}, {Call::kGetValue, 1}, {Call::kGetValue, 2},
  };
  for (const auto& failure : failures) {
    registry.FailNext(failure.call, 5, failure.skip);
    out.clear();
    EXPECT_TRUE(Read(L"hkey_local_machine", L"software\\both\\app", L"Path", out));
    EXPECT_EQ(out, L"C:\\x86");
  }
  registry.FailNext(Call::kOpenKey, 5, 2);  // branch, key, then the value's key
  EXPECT_TRUE(Read(L"hkey_local_machine", L"software\\both\\app", L"Path", out));
  EXPECT_EQ(out, L"C:\\x86");
}

TEST_F(ValueAsText, WithoutWow64ThereIsOneCandidate) {
  wow64 = false;
  FakeRegistry windows32(Machine::kWindows32);
  windows32.SetString(kHklm, L"SOFTWARE\\Vendor\\App", L"Path", L"C:\\only");
  std::wstring out;
  EXPECT_TRUE(ReadRegistryValueAsString(windows32, false, cache, L"hkey_local_machine",
                                        L"software\\vendor\\app", L"Path", out));
  EXPECT_EQ(out, L"C:\\only");
  out = L"unchanged";
  EXPECT_FALSE(ReadRegistryValueAsString(windows32, false, cache, L"hkey_local_machine",
                                         L"software\\vendor\\app", L"Other", out));
  EXPECT_EQ(out, L"unchanged");
  for (const std::wstring& opened : windows32.opens) {
    EXPECT_EQ(opened.find(L"Wow6432Node"), std::wstring::npos) << Narrow(opened);
  }
}

TEST_F(RegistryLayer, ScriptedFailuresOfTheReads) {
  registry.SetString(kHklm, L"SOFTWARE\\Vendor64\\App", L"Name", L"text", k64);
  registry.SetValue(kHklm, L"SOFTWARE\\Vendor64\\App", L"Empty", platform::kRegSz, {}, k64);
  registry.SetDword(kHklm, L"SOFTWARE\\Vendor64\\App", L"Number", 7, k64);
  auto key = OpenRegistryKey(registry, L"hkey_local_machine\\software\\vendor64\\app",
                             platform::kKeyRead | k64);
  const auto code = [](auto&& call) {
    try {
      call();
    } catch (const win32::RegistryError& error) {
      return error.code();
    }
    return 0;
  };

  registry.FailNext(Call::kGetValue, 5);
  EXPECT_EQ(code([&] { ReadRegistryString(registry, key.Get(), L"", L"Name"); }), 5);
  registry.FailNext(Call::kGetValue, 234, 1);  // the value grew between the two calls
  EXPECT_EQ(code([&] { ReadRegistryString(registry, key.Get(), L"", L"Name"); }), 234);
  registry.FailNext(Call::kGetValue, 5);
  EXPECT_EQ(code([&] { ReadRegistryDword(registry, key.Get(), L"Number"); }), 5);

  // A string stored with no bytes at all reports no room for its zero.
  const int before = registry.counts.getValue;
  EXPECT_EQ(ReadRegistryString(registry, key.Get(), L"", L"Empty"), L"");
  EXPECT_EQ(registry.counts.getValue, before + 1);

  registry.FailNext(Call::kGetValue, 5);
  EXPECT_FALSE(RegistryValueExists(registry, key.Get(), L"Name"));
  EXPECT_TRUE(RegistryValueExists(registry, key.Get(), L"Name"));
  registry.FailNext(Call::kQueryValue, 5);
  EXPECT_EQ(RegistryValueType(registry, key.Get(), L"Name"), 0u);
  registry.FailNext(Call::kGetValue, 5);
  EXPECT_FALSE(RegistryValueEquals(registry, 1, key.Get(), L"Name", L"text"));
  EXPECT_TRUE(RegistryValueEquals(registry, 1, key.Get(), L"Name", L"text"));
  registry.FailNext(Call::kGetValue, 5);
  EXPECT_FALSE(RegistryValueEquals(registry, 4, key.Get(), L"Number", L"not a number"));

  registry.FailNext(Call::kQueryInfoKey, 5);
  EXPECT_EQ(code([&] { EnumerateSubkeys(registry, key.Get()); }), 5);
}

TEST(RegistryErrorType, CarriesItsMessageAndCode) {
  const win32::RegistryError error(win32::kReadQwordFailed, 1630);
  const win32::RegistryError copy = error;
  EXPECT_STREQ(copy.what(), "Cannot read QWORD from registry.");
  EXPECT_EQ(copy.code(), 1630);
  const std::exception& base = copy;
  EXPECT_STREQ(base.what(), "Cannot read QWORD from registry.");
}

}  // namespace

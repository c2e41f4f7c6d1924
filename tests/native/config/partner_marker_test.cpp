// The partner "shown" marker: which keys a server may name, and what is
// written to the registry (HKLM, REG_DWORD yyyymmdd 180 days ahead).
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "config/package_fixture.h"

namespace {

TEST(PartnerMarkerKeyTest, AllowRule) {
  struct Case {
    const wchar_t* key;
    bool allowed;
  };
  const Case cases[] = {
      {L"SOFTWARE\\Vendor", true},
      {L"SOFTWARE\\Vendor\\Offers\\Shown", true},
      {L"software\\vendor", true},
      {L"Software\\MicrosoftEdgeHelper", true},
      {L"SOFTWARE\\Vendor\\Microsoft", true},
      {L"SOFTWARE\\Vendor\\..x", true},
      {L"SOFTWARE\\WOW6432Node\\Vendor", true},
      {L"SOFTWARE\\Wow6432Node\\Vendor\\Policies", true},
      {L"SOFTWARE\\Vend\u00e9r", true},
      // Not below SOFTWARE.
      {L"", false},
      {L"SOFTWARE", false},
      {L"SOFTWARE\\WOW6432Node", false},
      {L"SOFTWARE\\WOW6432Node\\WOW6432Node", false},
      {L"SYSTEM\\CurrentControlSet\\Services\\x", false},
      {L"SOFTWAREX\\Vendor", false},
      {L"Vendor\\SOFTWARE", false},
      // System and policy branches, in any case and in the 32-bit branch.
      {L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", false},
      {L"SOFTWARE\\Microsoft", false},
      {L"software\\MICROSOFT\\x", false},
      {L"SOFTWARE\\Policies\\Microsoft\\Windows Defender", false},
      {L"SOFTWARE\\policies\\x", false},
      {L"SOFTWARE\\Classes\\exefile\\shell\\open\\command", false},
      {L"SOFTWARE\\CLASSES\\x", false},
      {L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", false},
      {L"SOFTWARE\\wow6432node\\POLICIES\\x", false},
      {L"SOFTWARE\\Wow6432Node\\Classes\\x", false},
      {L"SOFTWARE\\WOW6432Node\\WOW6432Node\\Policies\\x", false},
      // Letters outside ASCII that Windows folds onto the protected names.
      {L"SOFTWARE\\Pol\u0131cies\\x", false},
      {L"SOFTWARE\\Pol\u0130cies\\x", false},
      {L"SOFTWARE\\Cla\u017F\u017Fes\\x", false},
      {L"\u017FOFTWARE\\Vendor", false},
      // Path tricks.
      {L"\\SOFTWARE\\Vendor", false},
      {L"SOFTWARE\\\\Policies\\x", false},
      {L"SOFTWARE\\Vendor\\", false},
      {L"SOFTWARE\\Vendor\\..\\..\\Policies\\x", false},
      {L"SOFTWARE\\..\\SYSTEM\\x", false},
      {L"SOFTWARE\\.\\Policies", false},
      {L"SOFTWARE\\...", false},
      {L"SOFTWARE\\Vendor\tx", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsPartnerMarkerKeyAllowed(c.key), c.allowed)
        << std::string(c.key, c.key + wcslen(c.key));
  }
  // A zero inside would cut the path short at the Win32 call.
  EXPECT_FALSE(IsPartnerMarkerKeyAllowed(std::wstring(L"SOFTWARE\\Policies\0x\\y", 21)));
}

class PartnerMarkerTest : public PackageFixture {
 protected:
  std::shared_ptr<Package> WithMarker(const std::string& marker) {
    const std::shared_ptr<Package> offer = MakeOffer(BaseOffer());
    offer->partnerMarkerPath = marker;
    return offer;
  }
  // The DWORD stored at HKLM\path (64-bit view), or -1 when there is none.
  long long StoredDate(const std::wstring& path, const std::wstring& name,
                       std::uint32_t view = platform::kKeyWow64_64Key) {
    platform::RegistryKey key = 0;
    if (registry.OpenKeyW(platform::kHkeyLocalMachine, path, platform::kKeyRead | view, key) !=
        platform::kErrorSuccess) {
      return -1;
    }
    std::uint32_t type = 0, value = 0, size = sizeof value;
    const long status =
        registry.QueryValueExW(key, name, &type, reinterpret_cast<std::uint8_t*>(&value), &size);
    registry.CloseKey(key);
    if (status != platform::kErrorSuccess || type != platform::kRegDword || size != 4) return -1;
    return value;
  }
};

TEST_F(PartnerMarkerTest, WritesTheDateHalfAYearAhead) {
  // 1700000000 is 2023-11-14 22:13:20 in the fake's zone; 180 days on.
  EXPECT_TRUE(WithMarker("SOFTWARE\\Vendor\\Offers\\shown")->RecordPartnerShown());
  EXPECT_EQ(registry.accessAsked.back(), platform::kKeySetValue);
  EXPECT_EQ(StoredDate(L"SOFTWARE\\Vendor\\Offers", L"shown"), 20240512);
  EXPECT_EQ(registry.OpenHandles(), 0u);

  // An existing key and value are overwritten.
  clock.millis += 86400000LL * 30;
  EXPECT_TRUE(WithMarker("SOFTWARE\\Vendor\\Offers\\shown")->RecordPartnerShown());
  EXPECT_EQ(StoredDate(L"SOFTWARE\\Vendor\\Offers", L"shown"), 20240611);

  // Empty value name: the key's default value.
  EXPECT_TRUE(WithMarker("SOFTWARE\\Vendor\\")->RecordPartnerShown());
  EXPECT_EQ(StoredDate(L"SOFTWARE\\Vendor", L""), 20240611);
}

TEST_F(PartnerMarkerTest, UnicodeNamesComeFromUtf8) {
  EXPECT_TRUE(WithMarker("SOFTWARE\\Vend\xc3\xa9r\\d\xc3\xa9j\xc3\xa0")->RecordPartnerShown());
  EXPECT_EQ(StoredDate(L"SOFTWARE\\Vend\u00e9r", L"d\u00e9j\u00e0"), 20240512);
}

TEST_F(PartnerMarkerTest, ThirtyTwoBitProcessWritesItsOwnView) {
  FakeRegistry wow64(FakeRegistry::Machine::kWow64Process);
  services = std::make_shared<PackageServices>(PackageServices{
      *settings, system, codePages, crypto, clock, wow64, sender, nullptr, nullptr, nullptr});
  EXPECT_TRUE(WithMarker("SOFTWARE\\Vendor\\shown")->RecordPartnerShown());
  EXPECT_EQ(wow64.opens.back(), L"HKLM\\SOFTWARE\\Wow6432Node\\Vendor");
}

TEST_F(PartnerMarkerTest, RefusedOrFailedWritesNothing) {
  struct Case {
    const char* marker;
    bool localTimeOk;
    bool toWideOk;
  };
  const Case cases[] = {
      {"", true, true},
      {"shown", true, true},
      {"\\shown", true, true},
      {"SOFTWARE\\Policies\\Microsoft\\Windows\\System\\EnableLUA", true, true},
      {"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\x", true, true},
      {"SOFTWARE\\Classes\\exefile\\shell\\open\\command\\", true, true},
      {"SYSTEM\\CurrentControlSet\\x\\y", true, true},
      {"SOFTWARE\\Vendor\\..\\Policies\\x", true, true},
      {"SOFTWARE\\\\Policies\\x", true, true},
      {"SOFTWARE\\Vendor\\shown", false, true},
      {"SOFTWARE\\Vendor\\shown", true, false},
  };
  for (const Case& c : cases) {
    clock.localTimeOk = c.localTimeOk;
    codePages.toWideFails = !c.toWideOk;
    const std::shared_ptr<Package> offer = WithMarker(c.marker);
    const int before = registry.counts.createKey + registry.counts.setValue;
    EXPECT_FALSE(offer->RecordPartnerShown()) << c.marker;
    EXPECT_EQ(registry.counts.createKey + registry.counts.setValue, before) << c.marker;
  }

  clock.localTimeOk = true;
  codePages.toWideFails = false;
  registry.FailNext(FakeRegistry::Call::kCreateKey, 5);
  EXPECT_FALSE(WithMarker("SOFTWARE\\Vendor\\shown")->RecordPartnerShown());
  EXPECT_EQ(registry.counts.setValue, 0);
  registry.FailNext(FakeRegistry::Call::kSetValue, 5);
  EXPECT_FALSE(WithMarker("SOFTWARE\\Vendor\\shown")->RecordPartnerShown());
  EXPECT_EQ(StoredDate(L"SOFTWARE\\Vendor", L"shown"), -1);
  EXPECT_EQ(registry.OpenHandles(), 0u) << "the created key is closed after a failed write";
}

}  // namespace

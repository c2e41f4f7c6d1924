// Offers built from configuration documents: fields, defaults, placeholders,
// presets, the partner block, lists, the parameter table, the failures that
// end offer loading, pictures and the install command line.
#include <future>
#include <string>
#include <utility>
#include <vector>

#include "config/package_fixture.h"

namespace {


// Base 62 of "guid-1|offer42|20250101120000", and the fake MD5 digest.
constexpr const char* kPixel = "lBEFv9GVtvKcBXwjmgPqbrL47OwBAEF28dpLnTa";
constexpr const char* kAccountMd5 = "0102030405060708090a0b0c0d0e0f10";

std::string Utf8(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) FakeCodePages::AppendUtf8(static_cast<std::uint32_t>(c), out);
  return out;
}

template <typename T>
std::string Joined(const std::vector<T>& list) {
  std::string out;
  for (const T& item : list) {
    if (!out.empty()) out += '|';
    if constexpr (std::is_same_v<T, std::wstring>) {
      out += Utf8(item);
    } else {
      out += item;
    }
  }
  return out;
}

std::string Flag(bool value) { return value ? "true" : "false"; }

using Field = std::string (*)(const Package&);

// Each row: "ps" members over the base offer, the field read back, its value.
struct FieldCase {
  const char* ps;
  Field field;
  std::string expected;
};

std::string DisplayName(const Package& p) { return p.displayName; }
std::string ProductId(const Package& p) { return p.productId; }
std::string DownloadUrl(const Package& p) { return p.downloadUrl; }
std::string InstallArgs(const Package& p) { return p.installArgs; }
std::string PrivacyUrl(const Package& p) { return p.privacyUrl; }
std::string TermsUrl(const Package& p) { return p.termsUrl; }
std::string Channel(const Package& p) { return p.channel; }
std::string Vertical(const Package& p) { return std::to_string(p.vertical.load()); }
std::string Exclusive(const Package& p) { return Flag(p.exclusive); }
std::string MinDisk(const Package& p) { return std::to_string(p.minDisk); }
std::string MinRam(const Package& p) { return std::to_string(p.minRam); }
std::string MinCpu(const Package& p) { return std::to_string(p.minCpu); }
std::string MinOs(const Package& p) { return std::to_string(p.minOsVersion); }
std::string PlatformVersion(const Package& p) { return p.platformVersion; }
std::string Requires64(const Package& p) { return Flag(p.requires64Bit); }
std::string RequireChrome(const Package& p) { return Flag(p.requireChrome); }
std::string RejectChrome(const Package& p) { return Flag(p.rejectChrome); }
std::string CheckIe(const Package& p) { return Flag(p.checkIeVersion); }
std::string PartnerEnabled(const Package& p) { return Flag(p.partnerEnabled); }
std::string MarkerPath(const Package& p) { return p.partnerMarkerPath; }
std::string StubParams(const Package& p) { return p.stubParams; }
std::string PartnerApiUrl(const Package& p) { return p.partnerApiUrl; }
std::string PartnerOperation(const Package& p) { return p.partnerOperation; }
std::string Pnsi(const Package& p) { return Flag(p.pnsiFlag); }
std::string La(const Package& p) { return p.laText; }
std::string MaxBefore(const Package& p) { return std::to_string(p.flowMaxBefore); }
std::string AllowedBefore(const Package& p) { return Joined(p.flowAllowedBefore); }
std::string MaxAfter(const Package& p) { return std::to_string(p.flowMaxAfter); }
std::string AllowedAfter(const Package& p) { return Joined(p.flowAllowedAfter); }
std::string MaxOffers(const Package& p) { return std::to_string(p.flowMaxOffers); }
std::string SkipAllAfterDecline(const Package& p) { return Flag(p.skipAllAfterDecline); }
std::string SkipIfEarlierDeclined(const Package& p) { return Flag(p.skipIfEarlierDeclined); }
std::string FilesMustNotExist(const Package& p) { return Joined(p.filesMustNotExist); }
std::string FilesAnyMustExist(const Package& p) { return Joined(p.filesAnyMustExist); }
std::string BlockingApps(const Package& p) { return Joined(p.blockingApps); }
std::string KeysMustNotExist(const Package& p) { return Joined(p.registryKeysMustNotExist); }
std::string KeysAnyMustExist(const Package& p) { return Joined(p.registryKeysAnyMustExist); }
std::string ValuesMustNotExist(const Package& p) { return Joined(p.registryValuesMustNotExist); }
std::string DataMustNotMatch(const Package& p) { return Joined(p.registryDataMustNotMatch); }
std::string ExcludeApps(const Package& p) { return Joined(p.excludeApps); }
std::string IncludeApps(const Package& p) { return Joined(p.includeApps); }
std::string Uninstall(const Package& p) {
  std::string out;
  for (const UninstallCheck& c : p.uninstallChecks) {
    if (!out.empty()) out += ';';
    out += Utf8(c.root) + "|" + Utf8(c.key) + "|" + Utf8(c.valueName) + "|" + Utf8(c.valueType) +
           "|" + std::to_string(c.minDays) + "|" + Flag(c.valueInMilliseconds);
  }
  return out;
}

const FieldCase kFieldCases[] = {
    // Defaults of every optional key.
    {"{}", InstallArgs, ""},
    {"{}", PrivacyUrl, ""},
    {"{}", TermsUrl, ""},
    {"{}", Channel, ""},
    {"{}", Vertical, "0"},
    {"{}", Exclusive, "false"},
    {"{}", MinDisk, "0"},
    {"{}", MinRam, "0"},
    {"{}", MinCpu, "0"},
    {"{}", MinOs, "0"},
    {"{}", PlatformVersion, ""},
    {"{}", Requires64, "false"},
    {"{}", PartnerEnabled, "false"},
    {"{}", MaxBefore, "2147483647"},
    {"{}", MaxAfter, "2147483647"},
    {"{}", MaxOffers, "2147483647"},
    {"{}", Uninstall, ""},
    // Required texts, expanded.
    {"{}", DisplayName, "Nimbus Backup"},
    {R"({"dn": "{cc} offer"})", DisplayName, "US offer"},
    {R"({"dn": "{xyz} offer"})", DisplayName, "{xyz} offer"},
    {R"({"dn": "{CC} {cc {cc}}"})", DisplayName, "{CC} {cc US}"},
    {R"({"dn": "{{cc}}{cc}{cc}"})", DisplayName, "{US}USUS"},
    {R"({"i": "{pubid}-{ispb}"})", ProductId, "pub7-isp3"},
    {R"({"u": "https://x.test/{of}/{aflt}?u={userid}&s={sessionid}"})", DownloadUrl,
     "https://x.test/feed9/91088?u=guid-1&s=20250101120000"},
    {R"({"p": "/s {pxl} {account_md5}"})", InstallArgs,
     std::string("/s ") + kPixel + " " + kAccountMd5},
    {R"({"cp": "https://{cc}.test/privacy"})", PrivacyUrl, "https://US.test/privacy"},
    {R"({"ctu": "https://{cc}.test/terms"})", TermsUrl, "https://US.test/terms"},
    {R"({"c": "{cc}-chan"})", Channel, "US-chan"},
    {R"({"pv": "{cc}"})", PlatformVersion, "{cc}"},  // never expanded
    // Numbers: integers as they are, booleans 0/1, floating values truncated
    // (and saturated where they do not fit).
    {R"({"v": -1})", Vertical, "-1"},
    {R"({"v": true})", Vertical, "1"},
    {R"({"v": 2.9})", Vertical, "2"},
    {R"({"v": -2.9})", Vertical, "-2"},
    {R"({"ov": 1e12})", MinOs, "2147483647"},
    {R"({"disk": 5000000000})", MinDisk, "5000000000"},
    {R"({"cpu": -5e30})", MinCpu, "-9223372036854775808"},
    {R"({"exc": true})", Exclusive, "true"},
    {R"({"win64": true})", Requires64, "true"},
    // Presets override the figures read before them.
    {R"({"x": 1, "disk": 9, "ram": 9})", MinDisk, "2500"},
    {R"({"x": 1, "disk": 9, "ram": 9})", MinRam, "250"},
    {R"({"x": 2})", RequireChrome, "true"},
    {R"({"x": 2})", CheckIe, "true"},
    {R"({"x": 3, "ram": 4096, "cpu": 9000})", MinRam, "1536"},
    {R"({"x": 3, "disk": 1})", MinDisk, "512"},
    {R"({"x": 3})", MinCpu, "1500"},
    {R"({"x": 3.7, "ram": 4096})", MinRam, "1536"},
    {R"({"x": 10, "win64": false})", Requires64, "true"},
    {R"({"x": 12})", RequireChrome, "true"},
    {R"({"x": 12})", CheckIe, "false"},
    {R"({"x": 13})", RejectChrome, "true"},
    {R"({"x": 13})", RequireChrome, "false"},
    {R"({"x": 7, "ram": 4096})", MinRam, "4096"},
    // Flow limits only come with the partner block.
    {R"({"cfs": {"mb": 1}})", MaxBefore, "2147483647"},
    {R"({"pn": false, "cfs": {"mb": 1, "saad": true}})", MaxBefore, "2147483647"},
    {R"({"pn": false, "cfs": {"mb": 1, "saad": true}})", SkipAllAfterDecline, "false"},
    {R"({"pn": true, "cfs": {"mb": 1, "ab": ["a", "b"], "ma": 2, "aa": ["c"], "mo": 3,
        "saad": true, "sied": true}})",
     MaxBefore, "1"},
    {R"({"pn": true, "cfs": {"ab": ["a", "b"]}})", AllowedBefore, "a|b"},
    {R"({"pn": true, "cfs": {"ma": 2}})", MaxAfter, "2"},
    {R"({"pn": true, "cfs": {"aa": ["c"]}})", AllowedAfter, "c"},
    {R"({"pn": true, "cfs": {"mo": 3}})", MaxOffers, "3"},
    {R"({"pn": true, "cfs": {"saad": true}})", SkipAllAfterDecline, "true"},
    {R"({"pn": true, "cfs": {"sied": true}})", SkipIfEarlierDeclined, "true"},
    {R"({"pn": true, "cfs": {}})", MaxAfter, "2147483647"},
    // The partner block and the order of its parameters.
    {R"({"pn": false, "pnau": "api", "pnr": "SOFTWARE\\V\\m"})", PartnerApiUrl, ""},
    {R"({"pn": false, "pnr": "SOFTWARE\\V\\m"})", MarkerPath, ""},
    {R"({"pn": true, "pnau": "api", "pnop": "op", "pnsi": true, "la": "txt"})", PartnerApiUrl,
     "api"},
    {R"({"pn": true, "pnop": "op"})", PartnerOperation, "op"},
    {R"({"pn": true, "pnsi": true})", Pnsi, "true"},
    {R"({"pn": true, "la": "txt"})", La, "txt"},
    {R"({"pn": true, "pnop": "op", "pnr": "SOFTWARE\\{cc}\\{pnop}\\v"})", MarkerPath,
     "SOFTWARE\\US\\{pnop}\\v"},
    {R"({"p": "/x {pnstubparams}"})", InstallArgs, "/x {pnstubparams}"},
    {R"({"pn": true, "sp": "a{pnstubparams}b", "p": "{pnstubparams}"})", InstallArgs,
     "a{pnstubparams}b"},
    {R"({"pn": true, "sp": "{pnrparam}-{pnapiurl}", "pnrp": {"default": "d"}, "pnau": "api"})",
     StubParams, "d-{pnapiurl}"},
    {R"({"pn": true, "pnak": "k", "p": "{account}|{installer}|{pnsid}|{pnapikey}"})", InstallArgs,
     "Varnex|PellioClassic|1700000000123|k"},
    {R"({"pn": true, "pnop": "op", "pnau": "api", "cp": "{pnapiurl}/{pnop}", "c": "{pnop}"})",
     PrivacyUrl, "api/op"},
    {R"({"pn": true, "pnop": "op", "c": "{pnop}"})", Channel, "op"},
    // A value naming a later key is expanded by it: values are scanned by
    // every key after their own, in table order.
    {R"({"p": "{of}"})", InstallArgs, "feed9"},
    // Lists: file paths through the ANSI code page and the path macros
    // (never the placeholders); registry and application texts from UTF-8.
    {R"({"fe": ["{commonpf}\\A\\a.exe", "{localappdata}\\{cc}\\café"]})", FilesMustNotExist,
     "C:\\Program Files\\A\\a.exe|C:\\Users\\u\\AppData\\Local\\{cc}\\caf\u00c3\u00a9"},
    {R"({"ife": ["{commonpf32}\\B", "{programdata}\\C"]})", FilesAnyMustExist,
     "C:\\Program Files (x86)\\B|C:\\ProgramData\\C"},
    {R"({"a": ["café.exe", "{cc}.exe"]})", BlockingApps, "café.exe|{cc}.exe"},
    {R"({"r": ["SOFTWARE\\café"]})", KeysMustNotExist, "SOFTWARE\\café"},
    {R"({"r": ["r1"], "ir": ["ir1"], "rvn": ["rvn1"], "rvd": ["rvd1"], "eapp": ["e1"],
        "iapp": ["i1"]})",
     KeysAnyMustExist, "ir1"},
    {R"({"r": ["r1"], "ir": ["ir1"], "rvn": ["rvn1"], "rvd": ["rvd1"], "eapp": ["e1"],
        "iapp": ["i1"]})",
     ValuesMustNotExist, "rvn1"},
    {R"({"r": ["r1"], "ir": ["ir1"], "rvn": ["rvn1"], "rvd": ["rvd1"], "eapp": ["e1"],
        "iapp": ["i1"]})",
     DataMustNotMatch, "rvd1"},
    {R"({"r": ["r1"], "ir": ["ir1"], "rvn": ["rvn1"], "rvd": ["rvd1"], "eapp": ["e1"],
        "iapp": ["i1"]})",
     ExcludeApps, "e1"},
    {R"({"r": ["r1"], "ir": ["ir1"], "rvn": ["rvn1"], "rvd": ["rvd1"], "eapp": ["e1"],
        "iapp": ["i1"]})",
     IncludeApps, "i1"},
    {R"({"r": []})", KeysMustNotExist, ""},
    {R"({"cmdu": [{"utr": "HKLM", "utk": "K\\é", "utvn": "InstallDate", "utvt": "REG_SZ",
        "umd": 30},
        {"utr": "HKCU", "utk": "K2", "utvn": "T", "utvt": "REG_QWORD", "umd": -1.5,
         "utms": true}]})",
     Uninstall, "HKLM|K\\é|InstallDate|REG_SZ|30|false;HKCU|K2|T|REG_QWORD|-1|true"},
};

class PackageTest : public PackageFixture {};

TEST_F(PackageTest, OfferFieldsFromDocuments) {
  for (const FieldCase& c : kFieldCases) {
    const std::shared_ptr<Package> offer = MakeOffer(OfferWith(c.ps));
    EXPECT_EQ(c.field(*offer), c.expected) << c.ps;
  }
}

TEST_F(PackageTest, IdentityAndFlagsOfAnOffer) {
  const std::shared_ptr<Package> offer = MakeOffer(BaseOffer(), 3);
  EXPECT_EQ(offer->offerId, "offer42");
  EXPECT_EQ(offer->feedCode, "feed9");
  EXPECT_EQ(offer->index, 3);
  EXPECT_FALSE(offer->isMainProduct);
  EXPECT_FALSE(offer->eventsClosed);
  EXPECT_EQ(offer->pendingEvents, 0);
  EXPECT_FALSE(offer->image);
}

TEST_F(PackageTest, ChannelDefaultComesFromTheConstructor) {
  const auto withDefault = [&](const JsonValue& offer) {
    return std::make_shared<Package>(services, EventTemplate(), offer, false, "given", 0);
  };
  EXPECT_EQ(withDefault(BaseOffer())->channel, "given");
  EXPECT_EQ(withDefault(OfferWith(R"({"c": "own"})"))->channel, "own");
}

TEST_F(PackageTest, ParameterTableInInsertionOrder) {
  using Entries = std::vector<ParameterTable::Entry>;
  const std::shared_ptr<Package> partner = MakeOffer(OfferWith(
      R"({"pn": true, "pnrp": {"default": "a", "10.0": "b"}, "sp": "s", "pnau": "api",
          "pnak": "key", "pnop": "op"})"));
  EXPECT_EQ(partner->params.entries(), (Entries{{"userid", "guid-1"},
                                                {"sessionid", "20250101120000"},
                                                {"cc", "US"},
                                                {"pubid", "pub7"},
                                                {"ispb", "isp3"},
                                                {"aflt", "91088"},
                                                {"account_md5", kAccountMd5},
                                                {"pxl", kPixel},
                                                {"of", "feed9"},
                                                {"pnrparam", "b"},
                                                {"pnstubparams", "s"},
                                                {"pnapiurl", "api"},
                                                {"pnapikey", "key"},
                                                {"pnop", "op"},
                                                {"account", "Varnex"},
                                                {"installer", "PellioClassic"},
                                                {"pnsid", "1700000000123"}}));
  EXPECT_EQ(crypto.hashed, "Varnex") << "account_md5 is the publisher's digest";

  // Empty settings leave their keys out; a missing session id is made anew.
  settings->machineGuid.clear();
  settings->sessionId.clear();
  settings->countryCode.clear();
  settings->pubId.clear();
  settings->ispb.clear();
  settings->publisher.clear();
  const std::shared_ptr<Package> bare = MakeOffer(BaseOffer());
  EXPECT_EQ(bare->params.entries(), (Entries{{"sessionid", "20231114221320"},
                                             {"aflt", "91082"},
                                             {"pxl", "k9RFCZ6WxbE5lNie5TwtYP1OdLFxBrG"},
                                             {"of", "feed9"}}));
}

TEST_F(PackageTest, ParameterTableKeepsTheFirstValue) {
  ParameterTable table;
  EXPECT_TRUE(table.Insert("cc", "US"));
  EXPECT_FALSE(table.Insert("cc", "DE"));
  ASSERT_NE(table.Find("cc"), nullptr);
  EXPECT_EQ(*table.Find("cc"), "US");
  EXPECT_EQ(table.Find("CC"), nullptr);
  EXPECT_EQ(table.entries().size(), 1u);
}

TEST_F(PackageTest, PerWindowsVersionPartnerParameter) {
  struct Case {
    std::uint32_t major, minor;
    bool versionKnown;
    const char* ps;
    const char* expected;
  };
  const Case cases[] = {
      {10, 0, true, R"({"pn": true, "pnrp": {"default": "a", "10.0": "b"}})", "b"},
      {6, 1, true, R"({"pn": true, "pnrp": {"default": "a", "10.0": "b"}})", "a"},
      {6, 1, true, R"({"pn": true, "pnrp": {"6.1": "w7"}})", "w7"},
      {6, 3, true, R"({"pn": true, "pnrp": {"10.0": "b"}})", ""},
      {10, 0, true, R"({"pn": true})", ""},
      {10, 0, false, R"({"pn": true, "pnrp": {"default": "a", "10.0": "b"}})", "a"},
  };
  for (const Case& c : cases) {
    system.osVersion = {c.major, c.minor, 1, 0};
    system.osVersionOk = c.versionKnown;
    const std::shared_ptr<Package> offer = MakeOffer(OfferWith(c.ps));
    const std::string* value = offer->params.Find("pnrparam");
    ASSERT_NE(value, nullptr) << c.ps;
    EXPECT_EQ(*value, c.expected) << c.major << "." << c.minor << " " << c.ps;
  }
}

TEST_F(PackageTest, PartnerParametersOnlyWithThePartnerBlock) {
  for (const char* ps : {"{}", R"({"pn": false, "sp": "s", "pnau": "u"})"}) {
    const std::shared_ptr<Package> offer = MakeOffer(OfferWith(ps));
    for (const char* key : {"pnrparam", "pnstubparams", "pnapiurl", "pnapikey", "pnop", "account",
                            "installer", "pnsid"}) {
      EXPECT_EQ(offer->params.Find(key), nullptr) << ps << " " << key;
    }
  }
}

// Each of these ends offer loading with the JSON library's exception.
TEST_F(PackageTest, MalformedOffersRaiseTheJsonLibrarysException) {
  const char* const documents[] = {
      "null",
      "[]",
      R"("offer")",
      R"({"ps": {"i": "a", "dn": "b", "u": "c"}})",
      R"({"ad": {"f": "f", "o": "o"}})",
      R"({"ad": [], "ps": {"i": "a", "dn": "b", "u": "c"}})",
      R"({"ad": {"o": "o"}, "ps": {"i": "a", "dn": "b", "u": "c"}})",
      R"({"ad": {"f": "f"}, "ps": {"i": "a", "dn": "b", "u": "c"}})",
      R"({"ad": {"f": 7, "o": "o"}, "ps": {"i": "a", "dn": "b", "u": "c"}})",
      R"({"ad": {"f": "f", "o": null}, "ps": {"i": "a", "dn": "b", "u": "c"}})",
      R"({"ad": {"f": "f", "o": "o"}, "ps": "x"})",
      R"({"ad": {"f": "f", "o": "o"}, "ps": {"dn": "b", "u": "c"}})",
      R"({"ad": {"f": "f", "o": "o"}, "ps": {"i": "a", "u": "c"}})",
      R"({"ad": {"f": "f", "o": "o"}, "ps": {"i": "a", "dn": "b"}})",
      R"({"ad": {"f": "f", "o": "o"}, "ps": {"i": ["a"], "dn": "b", "u": "c"}})",
      R"({"ad": {"f": "f", "o": "o"}, "ps": {"i": "a", "dn": "b", "u": 1}})",
  };
  for (const char* document : documents) {
    EXPECT_THROW(MakeOffer(ParseJson(document)), JsonError) << document;
  }

  const char* const members[] = {
      R"({"p": 5})",
      R"({"cp": false})",
      R"({"v": "3"})",
      R"({"v": null})",
      R"({"exc": 1})",
      R"({"c": {}})",
      R"({"disk": "500"})",
      R"({"x": "3"})",
      R"({"pv": 10})",
      R"({"win64": "yes"})",
      R"({"pn": 1})",
      R"({"fe": "C:\\x"})",
      R"({"ife": [1]})",
      R"({"a": {"x": "y"}})",
      R"({"r": [null]})",
      R"({"iapp": "x"})",
      R"({"cmdu": {}})",
      R"({"cmdu": ["x"]})",
      R"({"cmdu": [{"utk": "k", "utvn": "n", "utvt": "t", "umd": 1}]})",
      R"({"cmdu": [{"utr": "r", "utvn": "n", "utvt": "t", "umd": 1}]})",
      R"({"cmdu": [{"utr": "r", "utk": "k", "utvt": "t", "umd": 1}]})",
      R"({"cmdu": [{"utr": "r", "utk": "k", "utvn": "n", "umd": 1}]})",
      R"({"cmdu": [{"utr": "r", "utk": "k", "utvn": "n", "utvt": "t"}]})",
      R"({"cmdu": [{"utr": "r", "utk": "k", "utvn": "n", "utvt": "t", "umd": "1"}]})",
      R"({"cmdu": [{"utr": "r", "utk": "k", "utvn": "n", "utvt": "t", "umd": 1, "utms": 1}]})",
      R"({"pn": true, "pnau": 1})",
      R"({"pn": true, "pnr": ["x"]})",
      R"({"pn": true, "pnsi": "true"})",
      R"({"pn": true, "sp": null})",
      R"({"pn": true, "pnrp": "10.0"})",
      R"({"pn": true, "pnrp": {"10.0": 1}})",
      R"({"pn": true, "pnrp": {"default": ["a"]}})",
      R"({"pn": true, "cfs": []})",
      R"({"pn": true, "cfs": {"mb": "1"}})",
      R"({"pn": true, "cfs": {"ab": "a"}})",
      R"({"pn": true, "cfs": {"saad": 1}})",
  };
  for (const char* ps : members) {
    EXPECT_THROW(MakeOffer(OfferWith(ps)), JsonError) << ps;
  }
}

TEST_F(PackageTest, PartnerKeysAreNotReadWithoutPn) {
  // "pnrp" and "cfs" are only looked at when "pn" is true.
  EXPECT_NO_THROW(MakeOffer(OfferWith(R"({"pnrp": 5, "cfs": "x", "pnau": 1})")));
}

TEST_F(PackageTest, FailedUtf8ConversionEndsTheOffer) {
  codePages.toWideFails = true;
  for (const char* ps :
       {R"({"r": ["x"]})", R"({"eapp": ["x"]})", R"({"fe": ["x"]})",
        R"({"cmdu": [{"utr": "r", "utk": "k", "utvn": "n", "utvt": "t", "umd": 1}]})"}) {
    try {
      MakeOffer(OfferWith(ps));
      ADD_FAILURE() << "no error for " << ps;
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "MultiByteToWideChar() failed: 0") << ps;
    }
  }
  // Empty text converts to empty text without the system call.
  const std::shared_ptr<Package> offer = MakeOffer(OfferWith(R"({"r": [""], "a": ["x"]})"));
  EXPECT_EQ(offer->registryKeysMustNotExist, std::vector<std::wstring>{L""});
}

TEST_F(PackageTest, ConversionsUseTheirCodePages) {
  const std::shared_ptr<Package> offer =
      MakeOffer(OfferWith(R"({"fe": ["f"], "r": ["r"], "p": "/S café"})"));
  EXPECT_EQ(codePages.toWideCodePages,
            (std::vector<std::uint32_t>{platform::kCpThreadAcp, platform::kCpUtf8}));
  codePages.toWideCodePages.clear();
  EXPECT_EQ(offer->GetInstallArgs(), L"/S caf\u00c3\u00a9");
  EXPECT_EQ(codePages.toWideCodePages, std::vector<std::uint32_t>{platform::kCpThreadAcp});
}

TEST_F(PackageTest, ExpansionHasALimit) {
  const std::string quarter(kMaxExpandedText / 4, 'f');
  JsonValue offer = OfferWith(R"({"p": "{of}{of}{of}{of}"})");
  offer["ad"]["f"] = quarter;
  EXPECT_EQ(MakeOffer(offer)->installArgs.size(), kMaxExpandedText);

  offer["ps"]["p"] = "{of}{of}{of}{of}{of}";
  EXPECT_THROW(MakeOffer(offer), VellamException);
  offer["ps"]["p"] = "{of}{of}{of}{of}x";
  EXPECT_THROW(MakeOffer(offer), VellamException);

  // Values that name later placeholders cannot multiply past it either:
  // 100 "{of}" of 100 "{pnapiurl}" each of 1000 bytes would be 10 MB.
  JsonValue chain = OfferWith(R"({"pn": true})");
  std::string hundredOf, hundredApi;
  for (int i = 0; i < 100; ++i) hundredOf += "{of}", hundredApi += "{pnapiurl}";
  chain["ad"]["f"] = hundredApi;
  chain["ps"]["pnau"] = std::string(1000, 'u');
  chain["ps"]["p"] = hundredOf;
  EXPECT_THROW(MakeOffer(chain), VellamException);
  chain["ps"]["pnau"] = "u";
  EXPECT_EQ(MakeOffer(chain)->installArgs, std::string(100 * 100, 'u'));
}

// An array nested `depth` levels around a string, built without recursion.
JsonValue Deep(int depth) {
  JsonValue value = "leaf";
  for (int i = 0; i < depth; ++i) {
    JsonValue wrapper = JsonValue::MakeArray();
    wrapper.PushBack(std::move(value));
    value = std::move(wrapper);
  }
  return value;
}

TEST_F(PackageTest, HugeAndDeeplyNestedValues) {
  // A long text is kept whole; an identity too long to encode leaves "pxl" empty.
  JsonValue offer = BaseOffer();
  offer["ps"]["i"] = std::string(1 << 20, 'i');
  offer["ad"]["o"] = std::string(2000, 'o');
  const std::shared_ptr<Package> big = MakeOffer(offer);
  EXPECT_EQ(big->productId.size(), 1u << 20);
  ASSERT_NE(big->params.Find("pxl"), nullptr);
  EXPECT_EQ(*big->params.Find("pxl"), "");

  offer["ad"]["o"] = std::string(1024 - std::string("guid-1||20250101120000").size(), 'o');
  EXPECT_NE(*MakeOffer(offer)->params.Find("pxl"), "");

  for (const char* key : {"dn", "fe", "r", "cmdu", "v"}) {
    JsonValue nested = BaseOffer();
    nested["ps"][key] = Deep(100000);
    EXPECT_THROW(MakeOffer(nested), JsonError) << key;
  }
  JsonValue partner = OfferWith(R"({"pn": true})");
  partner["ps"]["pnrp"] = JsonValue::MakeObject();
  partner["ps"]["pnrp"]["default"] = Deep(100000);
  EXPECT_THROW(MakeOffer(partner), JsonError);

  JsonValue many = BaseOffer();
  many["ps"]["r"] = JsonValue::MakeArray();
  for (int i = 0; i < 100000; ++i) many["ps"]["r"].PushBack("k");
  EXPECT_EQ(MakeOffer(many)->registryKeysMustNotExist.size(), 100000u);
}

TEST_F(PackageTest, MainProductFromTexts) {
  codePages.fromWideCodePages.clear();
  const std::shared_ptr<Package> main = MakeMain();
  EXPECT_TRUE(main->isMainProduct);
  EXPECT_EQ(main->offerId, "PellioClassic");
  EXPECT_EQ(main->feedCode, "flow1");
  EXPECT_EQ(main->displayName, "Pellio Classic");
  EXPECT_EQ(main->channel, "chan1");
  EXPECT_EQ(main->index, 0);
  EXPECT_TRUE(main->params.entries().empty());
  EXPECT_EQ(codePages.fromWideCodePages, std::vector<std::uint32_t>(4, platform::kCpThreadAcp));

  EventTemplate refreshed;
  refreshed.payload["22"] = "Title";
  main->InitMainProduct(refreshed, L"id\u00e9", L"flow2", L"Name", L"chan2");
  EXPECT_EQ(main->offerId, "id\xe9");  // ANSI, not UTF-8
  EXPECT_EQ(main->feedCode, "flow2");
  EXPECT_EQ(main->displayName, "Name");
  EXPECT_EQ(main->channel, "chan2");
  EXPECT_EQ(main->eventPayload["5"], "Title");
}

TEST_F(PackageTest, PicturesComeFromTheFileHost) {
  struct Case {
    std::vector<ScriptedAnswer> answers;
    bool decodes;
    bool stopped;
    std::vector<std::string> decoded;
    bool hasImage;
  };
  const Case cases[] = {
      {{ScriptedAnswer::Ok("PNG-bytes")}, true, false, {"PNG-bytes"}, true},
      {{ScriptedAnswer::Ok("garbage")}, false, false, {"garbage"}, false},
      {{ScriptedAnswer::Status(404)}, true, false, {}, false},
      {{ScriptedAnswer::Ok("")}, true, false, {}, false},
      {{ScriptedAnswer::Ok("PNG-bytes")}, true, true, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answers.front().body + (c.stopped ? " closing" : ""));
    web.answers.clear();
    web.requested.clear();
    web.answers[L"https://cdn.test/f/Nimbus"] = c.answers;
    decoder.fails = !c.decodes;
    downloads->stopRequested = c.stopped;
    const auto before = decoder.Decoded().size();
    const std::shared_ptr<Package> offer = MakeOffer(BaseOffer());
    auto calls = std::make_shared<std::atomic<int>>(0);
    auto finished = std::make_shared<std::promise<void>>();
    offer->DownloadImage([calls, finished] {
      if (++*calls == 1) finished->set_value();
    });
    finished->get_future().wait();
    if (!c.stopped) {
      ASSERT_FALSE(web.requested.empty());
      EXPECT_EQ(web.requested.front(), L"https://cdn.test/f/Nimbus");
    }
    const std::vector<std::string> decoded = decoder.Decoded();
    EXPECT_EQ(std::vector<std::string>(decoded.begin() + before, decoded.end()), c.decoded);
    EXPECT_EQ(offer->image == decoder.Marker(), c.hasImage);
    EXPECT_EQ(*calls, 1);
  }
}

TEST_F(PackageTest, MainProductHasNoPicture) {
  const std::shared_ptr<Package> main = MakeMain();
  int calls = 0;
  main->DownloadImage([&calls] { ++calls; });
  EXPECT_EQ(calls, 1) << "done at once, on the caller's thread";
  EXPECT_TRUE(web.requested.empty());
  EXPECT_FALSE(main->image);
}

TEST_F(PackageTest, PicturesAreReleasedForTheShutDown) {
  const std::shared_ptr<Package> accepted = MakeOffer(BaseOffer());
  const std::shared_ptr<Package> shown = MakeOffer(BaseOffer());
  accepted->image = decoder.Marker();
  shown->image = decoder.Marker();
  settings->acceptedOffers = {accepted, nullptr};
  settings->shownOffers = {shown};
  ReleasePackagePictures(*settings);
  EXPECT_FALSE(accepted->image);
  EXPECT_FALSE(shown->image);
  EXPECT_EQ(settings->acceptedOffers.size(), 2u) << "the offers themselves stay";
}

}  // namespace

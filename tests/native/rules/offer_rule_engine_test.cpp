// The engine's own checks over whole walks: capacity and stop, the flow
// limits of "cfs", vertical and exclusive, the allowance of "sied" offers,
// which rejections are reported, and the order of every check.
#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "config/digests.h"
#include "rules/rule_engine_fixture.h"

namespace {

using Offers = std::vector<std::pair<std::string, JsonValue>>;
using Ids = std::vector<std::string>;

class OfferRuleEngineTest : public RuleEngineFixture {};

// Offers in distinct verticals, so that only the rule under test decides.
JsonValue Vertical(int v, JsonValue ps = JsonValue::MakeObject()) {
  ps["v"] = v;
  return ps;
}
JsonValue Flow(int v, const JsonValue& cfs) { return Vertical(v, {{"pn", true}, {"cfs", cfs}}); }

TEST_F(OfferRuleEngineTest, CapacityStopsTheWalkWithoutAReport) {
  const struct {
    int maxOffers;
    int allowance;
    Ids accepted;
  } cases[] = {
      {0, 0, {}}, {2, 0, {"a", "b"}}, {2, 1, {"a", "b", "c"}},  // the allowance raises the limit
  };
  for (const auto& c : cases) {
    settings->extraOfferAllowance = c.allowance;
    const auto engine = MakeEngine(c.maxOffers);
    EXPECT_EQ(
        Walk(*engine,
             {{"a", Vertical(1)}, {"b", Vertical(2)}, {"c", Vertical(3)}, {"d", Vertical(4)}}),
        c.accepted)
        << c.maxOffers;
    EXPECT_EQ(engine->acceptedCount(), static_cast<int>(c.accepted.size()));
  }
  EXPECT_EQ(ReportCount(), 0u);
}

TEST_F(OfferRuleEngineTest, VerticalAndExclusive) {
  const struct {
    const char* name;
    Offers offers;
    Ids accepted;
    std::vector<Report> reports;
  } cases[] = {
      {"no vertical given is vertical 0",
       {{"a", JsonValue::MakeObject()}, {"b", JsonValue::MakeObject()}},
       {"a"},
       {{"b", "SAME VERTICAL OFFER ALREADY PRESENT"}}},
      {"-1 twice",
       {{"a", Vertical(-1)}, {"b", Vertical(-1)}},
       {"a"},
       {{"b", "MULTIPLE OFFERS W/O VERTICAL"}}},
      {"exclusive after another: rejected, the walk goes on",
       {{"a", Vertical(1)}, {"b", Vertical(2, {{"exc", true}})}, {"c", Vertical(3)}},
       {"a", "c"},
       {{"b", "EXCLUSIVE, BUT ANOTHER OFFER ALREADY PRESENT"}}},
      {"exclusive first: accepted, the walk ends",
       {{"a", Vertical(1, {{"exc", true}})}, {"b", Vertical(2)}},
       {"a"},
       {}},
      {"a rejected offer's vertical does not count",
       {{"a", Vertical(1)}, {"b", Vertical(1)}, {"c", Vertical(1)}, {"d", Vertical(2)}},
       {"a", "d"},
       {{"b", "SAME VERTICAL OFFER ALREADY PRESENT"},
        {"c", "SAME VERTICAL OFFER ALREADY PRESENT"}}},
  };
  std::size_t seen = 0;
  for (const auto& c : cases) {
    const auto engine = MakeEngine();
    EXPECT_EQ(Walk(*engine, c.offers), c.accepted) << c.name;
    const std::vector<Report> all = Reports();
    EXPECT_EQ(std::vector<Report>(all.begin() + seen, all.end()), c.reports) << c.name;
    seen = all.size();
  }
}

TEST_F(OfferRuleEngineTest, FlowLimits) {
  const std::string keyA = Base62Encode("a");
  const std::string keyB = Base62Encode("b");
  const std::string keyC = Base62Encode("c");
  const struct {
    const char* name;
    Offers offers;
    Ids accepted;
    std::vector<Report> reports;
  } cases[] = {
      {"mb 0 passes first, rejects second",
       {{"a", Flow(1, {{"mb", 0}})}, {"b", Flow(2, {{"mb", 0}})}},
       {"a"},
       {{"b", "SHOWED 1 PRODUCTS BUT ONLY 0 ALLOWED BEFORE"}}},
      {"negative mb rejects even the first",
       {{"a", Flow(1, {{"mb", -1}})}},
       {},
       {{"a", "SHOWED 0 PRODUCTS BUT ONLY -1 ALLOWED BEFORE"}}},
      {"mb 2 after two",
       {{"a", Vertical(1)},
        {"b", Vertical(2)},
        {"c", Flow(3, {{"mb", 2}})},
        {"d", Flow(4, {{"mb", 1}})}},
       {"a", "b", "c"},
       {{"d", "SHOWED 3 PRODUCTS BUT ONLY 1 ALLOWED BEFORE"}}},
      {"ab names the accepted ids that are not allowed, in order",
       {{"a", Vertical(1)},
        {"b", Vertical(2)},
        {"c", Vertical(3)},
        {"d", Flow(4, {{"ab", {keyB}}})}},
       {"a", "b", "c"},
       {{"d", "NOT ALLOWED AFTER a,c"}}},
      {"ab listing every accepted id passes; ids are compared in base 62",
       {{"a", Vertical(1)}, {"b", Flow(2, {{"ab", {keyA}}})}, {"c", Flow(3, {{"ab", {"a", "b"}}})}},
       {"a", "b"},
       {{"c", "NOT ALLOWED AFTER a,b"}}},
      {"ab with nothing accepted yet", {{"a", Flow(1, {{"ab", {"zz"}}})}}, {"a"}, {}},
      {"ma 0 rejects every later offer",
       {{"a", Flow(1, {{"ma", 0}})}, {"b", Vertical(2)}, {"c", Vertical(3)}},
       {"a"},
       {{"b", "ONLY 0 PRODUCTS ALLOWED TO BE SHOWN AFTER a"},
        {"c", "ONLY 0 PRODUCTS ALLOWED TO BE SHOWN AFTER a"}}},
      {"ma 1 lets one through",
       {{"a", Flow(1, {{"ma", 1}})}, {"b", Vertical(2)}, {"c", Vertical(3)}},
       {"a", "b"},
       {{"c", "ONLY 1 PRODUCTS ALLOWED TO BE SHOWN AFTER a"}}},
      {"negative ma never limits (unsigned comparison)",
       {{"a", Flow(1, {{"ma", -1}})}, {"b", Vertical(2)}, {"c", Vertical(3)}},
       {"a", "b", "c"},
       {}},
      {"the first accepted offer whose ma is reached decides",
       {{"a", Flow(1, {{"ma", 1}})}, {"b", Flow(2, {{"ma", 0}})}, {"c", Vertical(3)}},
       {"a", "b"},
       {{"c", "ONLY 1 PRODUCTS ALLOWED TO BE SHOWN AFTER a"}}},
      {"aa of every earlier offer that does not list the new one",
       {{"a", Flow(1, {{"aa", {keyB, keyC}}})},
        {"b", Flow(2, {{"aa", {keyC}}})},
        {"c", Vertical(3)},
        {"d", Vertical(4)}},
       {"a", "b", "c"},
       {{"d", "NOT ALLOWED AFTER a,b"}}},
      {"aa refusing the offer right after",
       {{"a", Flow(1, {{"aa", {keyC}}})}, {"b", Vertical(2)}, {"c", Vertical(3)}},
       {"a", "c"},
       {{"b", "NOT ALLOWED AFTER a"}}},
  };
  std::size_t seen = 0;
  for (const auto& c : cases) {
    settings->extraOfferAllowance = 0;
    const auto engine = MakeEngine();
    EXPECT_EQ(Walk(*engine, c.offers), c.accepted) << c.name;
    const std::vector<Report> all = Reports();
    EXPECT_EQ(std::vector<Report>(all.begin() + seen, all.end()), c.reports) << c.name;
    seen = all.size();
  }
}

TEST_F(OfferRuleEngineTest, AnAllowanceLiftsTheAfterLimitsButNotTheBeforeOnes) {
  settings->extraOfferAllowance = 1;
  const auto engine = MakeEngine();
  EXPECT_EQ(Walk(*engine, {{"a", Flow(1, {{"ma", 0}, {"aa", {"none"}}})},
                           {"b", Vertical(2)},
                           {"c", Flow(3, {{"mb", 1}})},
                           {"d", Flow(4, {{"ab", {"none"}}})}}),
            (Ids{"a", "b"}));
  EXPECT_EQ(Reports(), (std::vector<Report>{{"c", "SHOWED 2 PRODUCTS BUT ONLY 1 ALLOWED BEFORE"},
                                            {"d", "NOT ALLOWED AFTER a,b"}}));
}

TEST_F(OfferRuleEngineTest, SkipIfEarlierDeclinedRaisesTheLimitFromTheSecondOfferOn) {
  const JsonValue sied = {{"sied", true}};
  const struct {
    const char* name;
    Offers offers;
    Ids accepted;
    int allowance;
  } cases[] = {
      {"second offer with sied: a third fits into max offers 2",
       {{"a", Vertical(1)}, {"b", Flow(2, sied)}, {"c", Vertical(3)}, {"d", Vertical(4)}},
       {"a", "b", "c"},
       1},
      {"the first accepted offer counts even with sied",
       {{"a", Flow(1, sied)}, {"b", Vertical(2)}, {"c", Vertical(3)}},
       {"a", "b"},
       0},
  };
  for (const auto& c : cases) {
    settings->extraOfferAllowance = 0;
    const auto engine = MakeEngine(2);
    EXPECT_EQ(Walk(*engine, c.offers), c.accepted) << c.name;
    EXPECT_EQ(settings->extraOfferAllowance, c.allowance) << c.name;
  }
}

TEST_F(OfferRuleEngineTest, NoReportOnceMaxOffersAreAccepted) {
  // Max offers 1, raised by an allowance: the offers met after the first
  // acceptance are still checked, but their rejections are not reported.
  settings->extraOfferAllowance = 2;
  const auto engine = MakeEngine(1);
  EXPECT_EQ(Walk(*engine, {{"a", Vertical(1)}, {"b", Vertical(1)}, {"c", Vertical(2)}}),
            (Ids{"a", "c"}));
  EXPECT_EQ(ReportCount(), 0u);

  settings->extraOfferAllowance = 0;
  const auto reporting = MakeEngine(2);
  EXPECT_EQ(Walk(*reporting, {{"a", Vertical(1)}, {"b", Vertical(1)}}), Ids{"a"});
  EXPECT_EQ(Reports(), (std::vector<Report>{{"b", "SAME VERTICAL OFFER ALREADY PRESENT"}}));
}

TEST_F(OfferRuleEngineTest, AHostileOfferIdIsNeitherEncodedNorAllowed) {
  // Base 62 takes time quadratic in the length: an id this long would take
  // minutes, hostile ones of megabytes hours. Such an id matches no entry.
  const std::string longId(100000, 'x');
  const auto engine = MakeEngine();
  EXPECT_EQ(Walk(*engine, {{longId, Vertical(1)},
                           {"b", Flow(2, {{"ab", {"x"}}})},
                           {"c", Flow(3, {{"aa", {Base62Encode("d")}}})},
                           {longId, Vertical(4)}}),
            (Ids{longId, "c"}));
  const std::vector<Report> reports = Reports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].reason, "NOT ALLOWED AFTER " + longId);
  EXPECT_EQ(reports[1].reason, "NOT ALLOWED AFTER c");
}

// An offer that fails every check at once, then the same offer without the
// cause of its first rejection, and so on: each time exactly the next check
// in order rejects, and the checks after it never ran (their measurements
// were not made).
TEST_F(OfferRuleEngineTest, ChecksRunInOrderAndStopAtTheFirstRejection) {
  UseMachine(Machine::kWindows32);  // so that "win64" rejects
  FakeRegistry& reg = *machineRegistry;
  reg.SetString(kHklm, L"SOFTWARE\\VarnexPresent", L"InstallDir", L"C:\\Varnex");
  reg.SetString(kHklm, L"SOFTWARE\\VarnexPresent", L"Version", L"2.0");
  reg.SetString(kHklm, L"SOFTWARE\\VarnexPresent", L"Uninstalled",
                std::to_wstring(clock.UnixSeconds() - 86400));
  reg.SetString(kHklm, std::wstring(kAppPathsKey) + L"presentapp.exe", L"",
                L"C:\\Apps\\present.exe");
  reg.SetString(kHklm, L"SOFTWARE\\Microsoft\\Internet Explorer", L"Version", L"8.0.7601.17514");
  reg.SetDword(kHklm, L"SOFTWARE\\Partner", L"NoShowUntil", 20991231);
  ruleFiles.files = {L"C:\\present.txt", L"C:\\Apps\\present.exe",
                     L"C:\\Program Files (x86)\\Google\\Chrome\\Application\\chrome.exe"};

  const struct {
    JsonValue ps;
    const char* reason;
  } causes[] = {
      {{{"pn", true}, {"cfs", {{"mb", 0}}}}, "SHOWED 1 PRODUCTS BUT ONLY 0 ALLOWED BEFORE"},
      {{{"v", 7}}, "SAME VERTICAL OFFER ALREADY PRESENT"},
      {{{"exc", true}}, "EXCLUSIVE, BUT ANOTHER OFFER ALREADY PRESENT"},
      {{{"r", {"VarnexPresent"}}}, "REGISTRY KEY EXISTS"},
      {{{"ir", {"VarnexAbsent"}}}, "NONE OF THE REGISTRY KEYS EXISTS"},
      {{{"rvn", {"VarnexPresent\\InstallDir"}}}, "REGISTRY VALUE EXISTS"},
      {{{"rvd", {"VarnexPresent\\Version\\2.0"}}}, "REGISTRY VALUE DATA MATCHES"},
      {{{"disk", 1 << 30}}, "NOT ENOUGH DISK SPACE"},
      {{{"ram", 1 << 30}}, "NOT ENOUGH RAM"},
      {{{"cpu", 1 << 30}}, "NOT ENOUGH CPU"},
      {{{"ov", 64}}, "UNSUPPORTED OS VERSION"},
      {{{"pv", "9"}}, "UNSUPPORTED PLATFORM VERSION"},
      {{{"win64", true}}, "64 BIT OS REQUIRED"},
      {{{"fe", {"C:\\present.txt"}}}, "FILE EXISTS"},
      {{{"ife", {"C:\\absent.txt"}}}, "NONE OF THE FILES EXISTS"},
      {{{"a", {"explorer"}}}, "APPLICATION RUNNING"},
      {{{"iapp", {"absentapp.exe"}}}, "REGISTRY INCLUDE APP NOT FOUND"},
      {{{"eapp", {"presentapp.exe"}}}, "REGISTRY EXCLUDE APP FOUND"},
      {{{"cmdu",
         {{{"utr", "HKEY_LOCAL_MACHINE"},
           {"utk", "software\\VarnexPresent"},
           {"utvn", "Uninstalled"},
           {"utvt", "REG_SZ"},
           {"umd", 3}}}}},
       "MIN DAYS UNINSTALL CHECKER"},
      {{{"x", 13}}, "HAVE CHROME"},
      {{{"x", 2}}, "OLD IE VERSION"},
      {{{"pn", true}, {"pnr", "SOFTWARE\\Partner\\NoShowUntil"}}, "PN NO SHOW"},
  };
  constexpr std::size_t kDisk = 7, kRam = 8, kCpu = 9, kRunning = 15;
  const std::size_t count = std::size(causes);
  for (std::size_t first = 0; first <= count; ++first) {
    // Earlier causes win where two set the same member ("x", "pn").
    JsonValue ps = {{"v", 8}};
    for (std::size_t i = count; i-- > first;) Update(ps, causes[i].ps);
    const std::size_t disksBefore = machine.diskRoots.size();
    const int memoryBefore = machine.memoryCalls;
    const std::size_t snapshotsBefore = machine.snapshotFlags.size();
    const int cpuOpensBefore =
        static_cast<int>(std::count(reg.opens.begin(), reg.opens.end(),
                                    L"HKLM\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0"));

    const auto engine = MakeEngine();
    const Ids accepted = Walk(*engine, {{"first", Vertical(7)}, {"offer", ps}});
    if (first == count) {
      EXPECT_EQ(accepted, (Ids{"first", "offer"}));
      break;
    }
    EXPECT_EQ(accepted, Ids{"first"}) << causes[first].reason;
    EXPECT_EQ(LastReason(), causes[first].reason);
    EXPECT_EQ(machine.diskRoots.size() - disksBefore, first == kDisk ? 1u : 0u) << first;
    EXPECT_EQ(machine.memoryCalls - memoryBefore, first == kRam ? 1 : 0) << first;
    EXPECT_EQ(machine.snapshotFlags.size() - snapshotsBefore, first == kRunning ? 1u : 0u) << first;
    const int cpuOpens =
        static_cast<int>(std::count(reg.opens.begin(), reg.opens.end(),
                                    L"HKLM\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0"));
    EXPECT_EQ(cpuOpens - cpuOpensBefore, first == kCpu ? 1 : 0) << first;
  }
  EXPECT_EQ(ReportCount(), std::size(causes));
  EXPECT_EQ(reg.OpenHandles(), 0u);
}

TEST_F(OfferRuleEngineTest, ExceptionsOfARuleLeaveCheckOffer) {
  machineRegistry->SetDword(kHklm, L"SOFTWARE\\Vendor", L"Flag", 1, k64);
  machineRegistry->SetString(kHklm, L"SOFTWARE\\Vendor", L"Stamp", L"soon", k64);
  machineRegistry->SetString(kHklm, L"SOFTWARE\\Microsoft\\Internet Explorer", L"Version", L"x9");
  ruleFiles.files = {L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe"};
  const auto cmdu = [](const char* root) {
    return JsonValue::MakeArray({{{"utr", root},
                         {"utk", "software\\vendor"},
                         {"utvn", "stamp"},
                         {"utvt", "s"},
                         {"umd", 1}}});
  };
  const struct {
    JsonValue ps;
    const char* what;
  } cases[] = {
      {{{"rvd", {"vendor\\flag\\one"}}}, "invalid stoul argument"},
      {{{"rvd", {"vendor\\flag\\99999999999"}}}, "stoul argument out of range"},
      {{{"cmdu", cmdu("hkey_local_machine")}}, "invalid stoull argument"},
      {{{"cmdu", cmdu("hklm")}}, "an alias is no root name"},
      {{{"x", 2}}, "invalid stof argument"},
      {{{"r", {"hklm\\software\\"}}}, "nothing below the branch"},
  };
  for (const auto& c : cases) {
    const auto engine = MakeEngine();
    std::string message;
    try {
      Walk(*engine, {{"a", c.ps}});
    } catch (const std::invalid_argument& e) {
      message = e.what();
    } catch (const std::out_of_range& e) {
      message = e.what();
    }
    EXPECT_FALSE(message.empty()) << c.what;
    if (std::string(c.what).find("sto") != std::string::npos) {
      EXPECT_EQ(message, c.what);
    }
    EXPECT_EQ(engine->acceptedCount(), 0) << c.what;
  }
  EXPECT_EQ(ReportCount(), 0u);
  EXPECT_EQ(machineRegistry->OpenHandles(), 0u);
}

}  // namespace

// The offer rule engine over fakes: a machine (registry of a chosen kind,
// files, processes, disk and memory figures, clock) and offers built from
// JSON as the server sends them. Walks offers the way the loading task does
// and reads back the reasons the analytics transport received.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "json/json_parser.h"
#include "json/json_value.h"
#include "../../shared/json_support.h"

#include "config/package_fixture.h"
#include "fakes/fake_machine_state.h"
#include "fakes/fake_registry.h"
#include "rules/offer_rule_engine.h"

// Files whose existence tests remember whether System32 redirection was off.
class RuleFiles : public FakeFileSystem {
 public:
  explicit RuleFiles(FakeMachineState& machine) : machine_(machine) {}
  struct Asked {
    std::wstring path;
    bool native;  // redirection was off for this test
  };
  std::vector<Asked> asked;

  bool PathExists(const std::wstring& path) override {
    asked.push_back({path, machine_.redirectionDisabled});
    return FakeFileSystem::PathExists(path);
  }

 private:
  FakeMachineState& machine_;
};

// A rejection as the analytics server got it.
struct RuleReport {
  std::string offerId;
  std::string reason;
  bool operator==(const RuleReport& other) const {
    return offerId == other.offerId && reason == other.reason;
  }
};

inline std::ostream& operator<<(std::ostream& out, const RuleReport& report) {
  return out << report.offerId << ": " << report.reason;
}

class RuleEngineFixture : public PackageFixture {
 protected:
  using Machine = FakeRegistry::Machine;
  static constexpr platform::RegistryKey kHklm = platform::kHkeyLocalMachine;
  static constexpr platform::RegistryKey kHkcu = platform::kHkeyCurrentUser;
  static constexpr std::uint32_t k64 = platform::kKeyWow64_64Key;
  static constexpr std::uint32_t k32 = platform::kKeyWow64_32Key;

  using Report = RuleReport;

  FakeMachineState machine;
  RuleFiles ruleFiles{machine};
  std::unique_ptr<FakeRegistry> machineRegistry;

  void SetUp() override {
    PackageFixture::SetUp();
    UseMachine(Machine::kWow64Process);
    settings->programVersion = L"1.2.3.4";
    settings->maxOffers = 5;
  }

  // The kind of machine the installer runs on. Call before the first offer
  // is built (the path macros are built then, once).
  void UseMachine(Machine kind) {
    machineRegistry = std::make_unique<FakeRegistry>(kind);
    system.wow64 = kind == Machine::kWow64Process;
    // The CPU key is there on every machine.
    machineRegistry->SetDword(kHklm, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", L"~MHz",
                              2400, kind == Machine::kWow64Process ? k64 : 0);
  }

  std::unique_ptr<OfferRuleEngine> MakeEngine(std::int32_t maxOffers = 1000) {
    return std::make_unique<OfferRuleEngine>(
        maxOffers, *settings,
        OfferRulePlatform{*machineRegistry, system, ruleFiles, machine, clock, codePages});
  }

  // An offer with id `id` and these "ps" members added to the required ones.
  std::shared_ptr<Package> Offer(const std::string& id, const JsonValue& ps,
                                 std::int32_t index = 0) {
    JsonValue offer = BaseOffer();
    offer["ad"]["o"] = id;
    Update(offer["ps"], ps);
    return MakeOffer(offer, index);
  }

  // The loading task's walk: each offer built with index = accepted so far,
  // accepted ones appended, an exclusive acceptance or a stop ends it. A
  // rejected offer's report is finished before the next offer (the task
  // releases it there). Returns the accepted ids.
  std::vector<std::string> Walk(OfferRuleEngine& engine,
                                const std::vector<std::pair<std::string, JsonValue>>& offers) {
    PackageList accepted;
    std::vector<std::string> ids;
    for (const auto& [id, ps] : offers) {
      const std::shared_ptr<Package> offer =
          Offer(id, ps, static_cast<std::int32_t>(accepted.size()));
      bool stop = false;
      if (engine.CheckOffer(offer, stop, accepted)) {
        accepted.push_back(offer);
        ids.push_back(id);
        ++settings->acceptedOfferCount;
        if (offer->exclusive) break;
      } else {
        offer->WaitForEvents();
      }
      if (stop) break;
    }
    return ids;
  }

  // One offer checked by `engine` on its own (the offers accepted before are
  // not passed on, and each gets a vertical of its own unless `ps` names
  // one), so that only the machine rules decide; its report, if any, is
  // finished. True when accepted.
  bool Check(OfferRuleEngine& engine, const JsonValue& ps, const std::string& id = "o1") {
    JsonValue members = ps;
    if (!members.Find("v")) members["v"] = nextVertical_++;
    const std::shared_ptr<Package> offer = Offer(id, members);
    bool stop = false;
    const bool accepted = engine.CheckOffer(offer, stop, {});
    offer->WaitForEvents();
    return accepted;
  }

  // "accepted", or the reason the offer was rejected with, or "unreported"
  // for a rejection without a report.
  std::string Verdict(OfferRuleEngine& engine, const JsonValue& ps,
                      const std::string& id = "o1") {
    const std::size_t before = ReportCount();
    if (Check(engine, ps, id)) return "accepted";
    return ReportCount() > before ? LastReason() : "unreported";
  }

  // Every rejection delivered so far, in arrival order.
  std::vector<Report> Reports() {
    std::vector<Report> reports;
    for (const ScriptedSender::Call& call : sender.Calls()) {
      const JsonValue data =
          ParseJson(ParseJson(call.body)["data"].String());
      EXPECT_EQ(data["6"], "2");
      reports.push_back({data["5"].String(), TextOr(data, "13")});
    }
    return reports;
  }
  // The reason of the last report, or "" when there was none.
  std::string LastReason() {
    const std::vector<Report> reports = Reports();
    return reports.empty() ? std::string() : reports.back().reason;
  }
  std::size_t ReportCount() { return sender.Calls().size(); }

 private:
  int nextVertical_ = 1000;
};

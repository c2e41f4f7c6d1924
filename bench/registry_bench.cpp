// Registry calls of a rule walk whose key rule names many vendors that are
// not installed: with the subkey cache every root and view is listed once per
// walk, and an absent vendor then costs no call at all; without it every
// candidate costs one failed open. The counters are per walk and exact (the
// registry is the in-memory fake of a 32-bit installer on 64-bit Windows);
// the times only compare the two.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "fakes/fake_registry.h"
#include "rules/registry_access.h"
#include "rules/registry_paths.h"

namespace {

constexpr platform::RegistryKey kHklm = platform::kHkeyLocalMachine;
constexpr platform::RegistryKey kHkcu = platform::kHkeyCurrentUser;

// A machine with a realistic number of vendors in every view.
void Populate(FakeRegistry& registry) {
  for (int i = 0; i < 150; ++i) {
    registry.CreateKey(kHklm, L"SOFTWARE\\Installed64_" + std::to_wstring(i) + L"\\Product",
                       platform::kKeyWow64_64Key);
  }
  for (int i = 0; i < 100; ++i) {
    registry.CreateKey(kHklm, L"SOFTWARE\\Installed32_" + std::to_wstring(i) + L"\\Product",
                       platform::kKeyWow64_32Key);
  }
  for (int i = 0; i < 40; ++i) {
    registry.CreateKey(kHkcu, L"Software\\UserVendor" + std::to_wstring(i));
  }
}

// The rule's paths, lowercased as the key rules do.
std::vector<std::wstring> AbsentVendors(int count) {
  std::vector<std::wstring> paths;
  for (int i = 0; i < count; ++i) paths.push_back(L"absentvendor" + std::to_wstring(i) + L"\\product");
  return paths;
}

struct Walk {
  int candidates = 0;
  int found = 0;
};

Walk CachedWalk(FakeRegistry& registry, const std::vector<std::wstring>& rule, int offers) {
  SubkeyCache cache;  // one per walk, as the rule engine keeps it
  Walk walk;
  for (int offer = 0; offer < offers; ++offer) {
    for (const std::wstring& path : rule) {
      for (const std::wstring& candidate : ExpandRegistryPath(path, true)) {
        ++walk.candidates;
        if (RegistryKeyExists(registry, true, cache, candidate)) ++walk.found;
      }
    }
  }
  return walk;
}

// The same answers by one direct open per candidate, in the view the layer
// would choose.
Walk DirectWalk(FakeRegistry& registry, const std::vector<std::wstring>& rule, int offers) {
  Walk walk;
  for (int offer = 0; offer < offers; ++offer) {
    for (const std::wstring& path : rule) {
      for (std::wstring candidate : ExpandRegistryPath(path, true)) {
        ++walk.candidates;
        std::uint32_t access = platform::kKeyRead;
        if (SelectRegistryView(candidate, access, true)) continue;
        try {
          OpenRegistryKey(registry, candidate, access);
          ++walk.found;
        } catch (const win32::RegistryError&) {
        }
      }
    }
  }
  return walk;
}

template <Walk (*kWalk)(FakeRegistry&, const std::vector<std::wstring>&, int)>
void RegistryCallsPerWalk(benchmark::State& state) {
  FakeRegistry registry(FakeRegistry::Machine::kWow64Process);
  Populate(registry);
  const std::vector<std::wstring> rule = AbsentVendors(static_cast<int>(state.range(0)));
  const int offers = static_cast<int>(state.range(1));
  Walk walk;
  FakeRegistry::Counts perWalk;
  for (auto _ : state) {
    registry.counts = {};
    walk = kWalk(registry, rule, offers);
    perWalk = registry.counts;
    benchmark::DoNotOptimize(walk.found);
  }
  if (walk.found != 0) state.SkipWithError("an absent vendor was found");
  state.counters["candidates"] = walk.candidates;
  state.counters["opens"] = perWalk.openKey;
  state.counters["listings"] = perWalk.queryInfoKey;
  state.counters["calls"] = perWalk.Total();
}

// Arguments: vendors named by the rule, offers carrying the rule.
void Arguments(benchmark::internal::Benchmark* bench) {
  bench->ArgNames({"vendors", "offers"});
  for (int vendors : {10, 50, 200}) {
    for (int offers : {1, 10}) bench->Args({vendors, offers});
  }
}

BENCHMARK(RegistryCallsPerWalk<CachedWalk>)->Name("CachedKeyTest")->Apply(Arguments);
BENCHMARK(RegistryCallsPerWalk<DirectWalk>)->Name("OpenPerCandidate")->Apply(Arguments);

}  // namespace

BENCHMARK_MAIN();

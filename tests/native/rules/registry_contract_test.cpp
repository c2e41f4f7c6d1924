// The shared registry cases against the in-memory registry.
#include "../../shared/registry_contract.h"

#include <vector>

#include "fakes/fake_registry.h"

namespace {

// The registry of 64-bit Windows as a 64-bit process or as a 32-bit process
// under WOW64 (the shipped installer) sees it.
template <FakeRegistry::Machine machine>
struct FakeSandbox {
  FakeRegistry registry{machine};
  std::wstring name = L"vellamtest";
  bool wow64 = machine == FakeRegistry::Machine::kWow64Process;

  ~FakeSandbox() { EXPECT_EQ(registry.OpenHandles(), 0u) << "a key was left open"; }

  platform::Registry& Registry() { return registry; }
  void CreateKey(platform::RegistryKey root, const std::wstring& subKey, std::uint32_t view) {
    registry.CreateKey(root, subKey, view);
  }
  void SetValue(platform::RegistryKey root, const std::wstring& subKey, std::uint32_t view,
                const std::wstring& valueName, std::uint32_t type, const void* data,
                std::uint32_t bytes) {
    const auto* first = static_cast<const std::uint8_t*>(data);
    registry.SetValue(root, subKey, valueName, type, std::vector<std::uint8_t>(first, first + bytes),
                      view);
  }
};

using Fake64BitProcess = FakeSandbox<FakeRegistry::Machine::kNative64Process>;
using FakeWow64Process = FakeSandbox<FakeRegistry::Machine::kWow64Process>;

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, RegistryContract, Fake64BitProcess);
INSTANTIATE_TYPED_TEST_SUITE_P(FakeWow64, RegistryContract, FakeWow64Process);

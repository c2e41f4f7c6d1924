// The shared registry cases against the in-memory registry.
#include "../../shared/registry_contract.h"

#include <vector>

#include "fakes/fake_registry.h"

namespace {

struct FakeSandbox {
  FakeRegistry registry{FakeRegistry::Machine::kNative64Process};
  std::wstring name = L"vellamtest";

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

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, RegistryContract, FakeSandbox);

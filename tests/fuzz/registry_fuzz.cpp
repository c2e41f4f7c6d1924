// Registry paths as the offer rules write them, expanded and read over the
// in-memory registry: key tests, value tests and value reads of arbitrary
// types and sizes, with registry calls failing where the input says.
//
// Input: [machine byte] then operations until the input ends:
//   0 key:    [root][view]{path}                    CreateKey
//   1 value:  [root][view]{path}{name}[type]{data}  SetValue
//   2 fail:   [call][status][skip]                  FailNext
//   3 query:  [flags]{rule path}{value name}{expected}
// {text} is [length] then that many bytes, one character each; {data} is
// [length] then 4 * length bytes. Machine byte: 0 32-bit Windows, 1 a
// 32-bit process on 64-bit Windows (WOW64), 2 a 64-bit process.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/fake_registry.h"
#include "rules/registry_access.h"
#include "rules/registry_paths.h"

namespace {

constexpr platform::RegistryKey kRoots[] = {platform::kHkeyLocalMachine, platform::kHkeyCurrentUser,
                                            platform::kHkeyClassesRoot, platform::kHkeyUsers};
constexpr std::uint32_t kViews[] = {0, platform::kKeyWow64_64Key, platform::kKeyWow64_32Key};
constexpr std::uint32_t kTypes[] = {platform::kRegNone,   platform::kRegSz,
                                    platform::kRegExpandSz, platform::kRegBinary,
                                    platform::kRegDword,  platform::kRegMultiSz,
                                    platform::kRegQword};
// A failing RegCloseKey would leave the fake's handle open whatever the code
// does, so closing never fails here.
constexpr FakeRegistry::Call kCalls[] = {
    FakeRegistry::Call::kOpenKey, FakeRegistry::Call::kQueryInfoKey, FakeRegistry::Call::kEnumKey,
    FakeRegistry::Call::kGetValue, FakeRegistry::Call::kQueryValue};
constexpr long kStatuses[] = {2, 5, 6, 87, 161, 234, 259, 1630};

// Rule texts that make paths: roots, aliases and the branches they name.
const wchar_t* const kWords[] = {L"hkey_local_machine\\", L"hkey_current_user\\", L"hklm\\",
                                 L"hkcu\\", L"hkcr\\", L"hku\\", L"hkcc\\", L"software\\",
                                 L"wow6432node\\", L"vendor\\", L"SOFTWARE\\", L"\\"};

template <typename T, std::size_t N>
const T& Pick(const T (&table)[N], std::uint8_t byte) {
  return table[byte % N];
}

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Done() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  // Bytes 0xF0 and above stand for the words above, so short inputs reach
  // real paths.
  std::wstring Text() {
    std::wstring text;
    for (std::size_t length = Byte(); length > 0 && !Done(); --length) {
      const std::uint8_t c = Byte();
      if (c >= 0xF0 && c - 0xF0u < sizeof kWords / sizeof kWords[0]) {
        text += kWords[c - 0xF0];
      } else {
        text += static_cast<wchar_t>(c);
      }
    }
    return text;
  }
  std::vector<std::uint8_t> Data() {
    std::vector<std::uint8_t> data;
    for (std::size_t length = Byte() * 4u; length > 0 && !Done(); --length) data.push_back(Byte());
    return data;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

// The exceptions the contract lets through: out-of-range paths and the
// number conversion's. Anything else (a substr past the end, say) is a fault.
bool IsContractException(const std::exception& e) {
  static const char* const kMessages[] = {
      "registry path names no key below its branch", "not a registry root name",
      "invalid stoul argument", "stoul argument out of range", "invalid stoull argument",
      "stoull argument out of range"};
  for (const char* message : kMessages) {
    if (std::strcmp(e.what(), message) == 0) return true;
  }
  return false;
}

template <typename Operation>
void Guarded(FakeRegistry& registry, Operation operation) {
  try {
    operation();
  } catch (const win32::RegistryError&) {
  } catch (const std::out_of_range& e) {
    Check(IsContractException(e));
  } catch (const std::invalid_argument& e) {
    Check(IsContractException(e));
  }
  // Every operation closes what it opened, on every path.
  Check(registry.OpenHandles() == 0);
}

void Query(FakeRegistry& registry, bool wow64, SubkeyCache& cache, Reader& in) {
  const std::uint8_t flags = in.Byte();
  std::wstring rulePath = in.Text();
  if (flags & 0x01) rulePath = LowercaseRegistryText(rulePath);
  const std::wstring valueName = in.Text();
  const std::wstring expected = LowercaseRegistryText(in.Text());

  for (const std::wstring& candidate : ExpandRegistryPath(rulePath, wow64)) {
    Guarded(registry, [&] { RegistryKeyExists(registry, wow64, cache, candidate); });
    Guarded(registry, [&] {
      const std::size_t separator = candidate.find(L'\\');
      const std::wstring root = candidate.substr(0, separator);
      const std::wstring keyPath =
          separator == std::wstring::npos ? std::wstring() : candidate.substr(separator + 1);
      std::wstring out = L"unchanged";
      if (!ReadRegistryValueAsString(registry, wow64, cache, root, keyPath, valueName, out)) {
        Check(out == L"unchanged");
      }
    });
    Guarded(registry, [&] {
      std::wstring path = candidate;
      std::uint32_t access = platform::kKeyRead;
      if (BeginsWithSoftwarePrefix(path) && SelectRegistryView(path, access, wow64)) return;
      platform::ScopedRegistryKey key = OpenRegistryKey(registry, path, access);
      EnumerateSubkeys(registry, key.Get());
      RegistryValueExists(registry, key.Get(), valueName);
      const std::uint32_t type = RegistryValueType(registry, key.Get(), valueName);
      RegistryValueEquals(registry, type, key.Get(), valueName, expected);
      switch (flags >> 1 & 0x03) {
        case 0: ReadRegistryString(registry, key.Get(), L"", valueName); break;
        case 1: ReadRegistryDword(registry, key.Get(), valueName); break;
        case 2: ReadRegistryQword(registry, key.Get(), valueName); break;
        default: ReadRegistryString(registry, key.Get(), L"vendor", valueName); break;
      }
    });
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  Reader in(data, size);
  const std::uint8_t machineByte = in.Byte() % 3;
  const auto machine = static_cast<FakeRegistry::Machine>(machineByte);
  const bool wow64 = machine == FakeRegistry::Machine::kWow64Process;
  FakeRegistry registry(machine);
  SubkeyCache cache;

  for (int operations = 0; !in.Done() && operations < 64; ++operations) {
    switch (in.Byte() % 4) {
      case 0: {
        const platform::RegistryKey root = Pick(kRoots, in.Byte());
        const std::uint32_t view = Pick(kViews, in.Byte());
        registry.CreateKey(root, in.Text(), view);
        break;
      }
      case 1: {
        const platform::RegistryKey root = Pick(kRoots, in.Byte());
        const std::uint32_t view = Pick(kViews, in.Byte());
        const std::wstring path = in.Text();
        const std::wstring name = in.Text();
        const std::uint8_t typeByte = in.Byte();
        const std::uint32_t type = typeByte < 0xF0 ? Pick(kTypes, typeByte) : typeByte;
        registry.SetValue(root, path, name, type, in.Data(), view);
        break;
      }
      case 2: {
        const FakeRegistry::Call call = Pick(kCalls, in.Byte());
        const long status = Pick(kStatuses, in.Byte());
        registry.FailNext(call, status, in.Byte() % 8);
        break;
      }
      default:
        Query(registry, wow64, cache, in);
        break;
    }
  }
  return 0;
}

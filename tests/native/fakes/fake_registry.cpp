#include "fakes/fake_registry.h"

#include <algorithm>
#include <cstring>
#include <iterator>

using platform::RegistryKey;

namespace {

// Names compare case-insensitively; keys are lower-cased, which also gives
// the enumeration order Wine has ("a_b" before "ab").
std::wstring Folded(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

bool IsPredefined(RegistryKey key) {
  return key == platform::kHkeyClassesRoot || key == platform::kHkeyCurrentUser ||
         key == platform::kHkeyLocalMachine || key == platform::kHkeyUsers ||
         key == platform::kHkeyCurrentConfig;
}

std::wstring RootLabel(RegistryKey root) {
  switch (root) {
    case platform::kHkeyClassesRoot: return L"HKCR";
    case platform::kHkeyCurrentUser: return L"HKCU";
    case platform::kHkeyLocalMachine: return L"HKLM";
    case platform::kHkeyUsers: return L"HKU";
    default: return L"HKCC";
  }
}

std::vector<std::wstring> Pieces(const std::wstring& path) {
  std::vector<std::wstring> pieces;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) pieces.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

bool IsStringType(std::uint32_t type) {
  return type == platform::kRegSz || type == platform::kRegExpandSz ||
         type == platform::kRegMultiSz;
}

// RegGetValueW's type filter: whether `flags` lets a value of `type` through.
bool PassesRestriction(std::uint32_t type, std::uint32_t flags) {
  switch (type) {
    case platform::kRegNone: return flags & platform::kRrfRtRegNone;
    case platform::kRegSz: return flags & platform::kRrfRtRegSz;
    case platform::kRegExpandSz: return flags & platform::kRrfRtRegExpandSz;
    case platform::kRegBinary: return flags & platform::kRrfRtRegBinary;
    case platform::kRegDword: return flags & platform::kRrfRtRegDword;
    case platform::kRegMultiSz: return flags & platform::kRrfRtRegMultiSz;
    case platform::kRegQword: return flags & platform::kRrfRtRegQword;
    default: return (flags & platform::kRrfRtAny) == platform::kRrfRtAny;
  }
}

std::wstring TextOf(const std::vector<std::uint8_t>& data) {
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(&text[0], data.data(), text.size() * sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

}  // namespace

std::vector<std::uint8_t> WideBytes(const std::wstring& text, bool terminated) {
  const std::size_t units = text.size() + (terminated ? 1 : 0);
  std::vector<std::uint8_t> bytes(units * sizeof(wchar_t), 0);
  if (!text.empty()) std::memcpy(bytes.data(), text.data(), text.size() * sizeof(wchar_t));
  return bytes;
}

FakeRegistry::FakeRegistry(Machine machine) : machine_(machine) {
  for (RegistryKey root : {platform::kHkeyClassesRoot, platform::kHkeyCurrentUser,
                           platform::kHkeyLocalMachine, platform::kHkeyUsers,
                           platform::kHkeyCurrentConfig}) {
    roots_[root] = std::make_unique<Node>();
  }
  Create(platform::kHkeyLocalMachine, {L"SOFTWARE"});
  Create(platform::kHkeyCurrentUser, {L"Software"});
  if (machine_ != Machine::kWindows32) {
    Create(platform::kHkeyLocalMachine, {L"SOFTWARE", L"Wow6432Node"});
  }
}

FakeRegistry::~FakeRegistry() = default;

void FakeRegistry::CreateKey(RegistryKey root, const std::wstring& path, std::uint32_t viewFlags) {
  Create(root, PhysicalPath(Handle{root, {}}, path, viewFlags));
}

void FakeRegistry::SetValue(RegistryKey root, const std::wstring& path, const std::wstring& name,
                            std::uint32_t type, const std::vector<std::uint8_t>& data,
                            std::uint32_t viewFlags) {
  Node& node = Create(root, PhysicalPath(Handle{root, {}}, path, viewFlags));
  node.values[Folded(name)] = Value{type, data};
}

void FakeRegistry::SetString(RegistryKey root, const std::wstring& path, const std::wstring& name,
                             const std::wstring& text, std::uint32_t viewFlags,
                             std::uint32_t type) {
  SetValue(root, path, name, type, WideBytes(text), viewFlags);
}

void FakeRegistry::SetDword(RegistryKey root, const std::wstring& path, const std::wstring& name,
                            std::uint32_t value, std::uint32_t viewFlags) {
  std::vector<std::uint8_t> data(sizeof value);
  std::memcpy(data.data(), &value, sizeof value);
  SetValue(root, path, name, platform::kRegDword, data, viewFlags);
}

void FakeRegistry::SetQword(RegistryKey root, const std::wstring& path, const std::wstring& name,
                            std::uint64_t value, std::uint32_t viewFlags) {
  std::vector<std::uint8_t> data(sizeof value);
  std::memcpy(data.data(), &value, sizeof value);
  SetValue(root, path, name, platform::kRegQword, data, viewFlags);
}

void FakeRegistry::FailNext(Call call, long status, int skip) {
  failures_.push_back({call, status, skip});
}

bool FakeRegistry::Fails(Call call, long& status) {
  for (auto it = failures_.begin(); it != failures_.end(); ++it) {
    if (it->call != call) continue;
    if (it->skip > 0) {
      --it->skip;
      return false;
    }
    status = it->status;
    failures_.erase(it);
    return true;
  }
  return false;
}

bool FakeRegistry::Resolve(RegistryKey key, Handle& handle) const {
  if (IsPredefined(key)) {
    handle = Handle{key, {}};
    return true;
  }
  const auto found = handles_.find(key);
  if (found == handles_.end()) return false;
  handle = found->second;
  return true;
}

std::vector<std::wstring> FakeRegistry::PhysicalPath(const Handle& base, const std::wstring& subKey,
                                                     std::uint32_t access) const {
  const std::vector<std::wstring> pieces = Pieces(subKey);
  std::vector<std::wstring> path = base.path;
  path.insert(path.end(), pieces.begin(), pieces.end());
  if (machine_ == Machine::kWindows32 || base.root != platform::kHkeyLocalMachine) return path;
  bool view32 = machine_ == Machine::kWow64Process;
  if (access & platform::kKeyWow64_32Key) view32 = true;
  if (access & platform::kKeyWow64_64Key) view32 = false;
  // Redirection happens on a walk from the root through SOFTWARE; opens
  // relative to a handle stay in the branch the handle was opened in (Wine
  // answers so even for a handle of SOFTWARE itself).
  const bool stepsFromSoftware = base.path.empty();
  const bool underSoftware = !path.empty() && Folded(path[0]) == L"software";
  const bool alreadyBranch = path.size() >= 2 && Folded(path[1]) == L"wow6432node";
  if (view32 && stepsFromSoftware && underSoftware && !alreadyBranch) {
    path.insert(path.begin() + 1, L"Wow6432Node");
  }
  return path;
}

FakeRegistry::Node* FakeRegistry::Find(RegistryKey root, const std::vector<std::wstring>& path) const {
  Node* node = roots_.at(root).get();
  for (const std::wstring& piece : path) {
    const auto child = node->children.find(Folded(piece));
    if (child == node->children.end()) return nullptr;
    node = child->second.get();
  }
  return node;
}

FakeRegistry::Node& FakeRegistry::Create(RegistryKey root, const std::vector<std::wstring>& path) {
  Node* node = roots_.at(root).get();
  for (const std::wstring& piece : path) {
    auto& child = node->children[Folded(piece)];
    if (!child) {
      child = std::make_unique<Node>();
      child->name = piece;
    }
    node = child.get();
  }
  return *node;
}

FakeRegistry::Node* FakeRegistry::NodeOf(RegistryKey key) const {
  Handle handle;
  if (!Resolve(key, handle)) return nullptr;
  return Find(handle.root, handle.path);
}

std::vector<std::uint8_t> FakeRegistry::Expand(const std::vector<std::uint8_t>& data) const {
  const std::wstring text = TextOf(data);
  std::wstring result;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find(L'%', at);
    const std::size_t close = open == std::wstring::npos ? open : text.find(L'%', open + 1);
    if (close == std::wstring::npos) {
      result += text.substr(at);
      break;
    }
    result += text.substr(at, open - at);
    const auto variable = environment.find(Folded(text.substr(open + 1, close - open - 1)));
    if (variable != environment.end()) {
      result += variable->second;
      at = close + 1;
    } else {
      result += L'%';  // not a variable: kept, and its closing % may open the next one
      at = open + 1;
    }
  }
  return WideBytes(result);
}

long FakeRegistry::OpenKeyW(RegistryKey root, const std::wstring& subKey, std::uint32_t access,
                            RegistryKey& opened) {
  ++counts.openKey;
  accessAsked.push_back(access);
  opened = 0;
  Handle base;
  if (!Resolve(root, base)) return platform::kErrorInvalidHandle;
  const std::vector<std::wstring> physical = PhysicalPath(base, subKey, access);
  std::wstring label = RootLabel(base.root);
  for (const std::wstring& piece : physical) label += L"\\" + piece;
  opens.push_back(label);
  long status = 0;
  if (Fails(Call::kOpenKey, status)) return status;
  if (!subKey.empty() && subKey[0] == L'\\') return platform::kErrorBadPathname;
  if (!Find(base.root, physical)) return platform::kErrorFileNotFound;
  if (IsPredefined(root) && Pieces(subKey).empty()) {
    opened = root;
    return platform::kErrorSuccess;
  }
  opened = nextHandle_++;
  handles_[opened] = Handle{base.root, physical};
  return platform::kErrorSuccess;
}

long FakeRegistry::CreateKeyExW(RegistryKey root, const std::wstring& subKey,
                                std::uint32_t access, RegistryKey& created) {
  ++counts.createKey;
  accessAsked.push_back(access);
  created = 0;
  Handle base;
  if (!Resolve(root, base)) return platform::kErrorInvalidHandle;
  const std::vector<std::wstring> physical = PhysicalPath(base, subKey, access);
  std::wstring label = RootLabel(base.root);
  for (const std::wstring& piece : physical) label += L"\\" + piece;
  opens.push_back(label);
  long status = 0;
  if (Fails(Call::kCreateKey, status)) return status;
  if (!subKey.empty() && subKey[0] == L'\\') return platform::kErrorBadPathname;
  Create(base.root, physical);
  if (IsPredefined(root) && Pieces(subKey).empty()) {
    created = root;
    return platform::kErrorSuccess;
  }
  created = nextHandle_++;
  handles_[created] = Handle{base.root, physical};
  return platform::kErrorSuccess;
}

long FakeRegistry::SetValueExW(RegistryKey key, const std::wstring& valueName, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) {
  ++counts.setValue;
  long status = 0;
  if (Fails(Call::kSetValue, status)) return status;
  Node* node = NodeOf(key);
  if (!node) return platform::kErrorInvalidHandle;
  Value& value = node->values[Folded(valueName)];
  value.type = type;
  value.data.assign(data, data + size);
  return platform::kErrorSuccess;
}

long FakeRegistry::OpenKeyA(RegistryKey root, const std::string& subKey, std::uint32_t access,
                            RegistryKey& opened) {
  return OpenKeyW(root, std::wstring(subKey.begin(), subKey.end()), access, opened);
}

long FakeRegistry::CloseKey(RegistryKey key) {
  ++counts.closeKey;
  long status = 0;
  if (Fails(Call::kCloseKey, status)) return status;
  if (IsPredefined(key)) return platform::kErrorSuccess;
  return handles_.erase(key) == 1 ? platform::kErrorSuccess : platform::kErrorInvalidHandle;
}

long FakeRegistry::QueryInfoKeyW(RegistryKey key, std::uint32_t& subKeys,
                                 std::uint32_t& maxSubKeyLength) {
  ++counts.queryInfoKey;
  long status = 0;
  if (Fails(Call::kQueryInfoKey, status)) return status;
  const Node* node = NodeOf(key);
  if (!node) return platform::kErrorInvalidHandle;
  subKeys = static_cast<std::uint32_t>(node->children.size());
  maxSubKeyLength = 0;
  for (const auto& child : node->children) {
    maxSubKeyLength = std::max<std::uint32_t>(maxSubKeyLength,
                                              static_cast<std::uint32_t>(child.second->name.size()));
  }
  return platform::kErrorSuccess;
}

long FakeRegistry::EnumKeyExW(RegistryKey key, std::uint32_t index, wchar_t* name,
                              std::uint32_t& length) {
  ++counts.enumKey;
  long status = 0;
  if (Fails(Call::kEnumKey, status)) return status;
  const Node* node = NodeOf(key);
  if (!node) return platform::kErrorInvalidHandle;
  if (index >= node->children.size()) return platform::kErrorNoMoreItems;
  auto child = node->children.begin();
  std::advance(child, index);
  const std::wstring& childName = child->second->name;
  if (length <= childName.size()) return platform::kErrorMoreData;
  std::memcpy(name, childName.c_str(), (childName.size() + 1) * sizeof(wchar_t));
  length = static_cast<std::uint32_t>(childName.size());
  return platform::kErrorSuccess;
}

long FakeRegistry::GetValueW(RegistryKey key, const std::wstring& subKey,
                             const std::wstring& valueName, std::uint32_t flags,
                             std::uint32_t* type, void* data, std::uint32_t* size) {
  ++counts.getValue;
  long status = 0;
  if (Fails(Call::kGetValue, status)) return status;
  if (data && !size) return 87;  // ERROR_INVALID_PARAMETER
  Handle base;
  if (!Resolve(key, base)) return platform::kErrorInvalidHandle;
  if (!subKey.empty() && subKey[0] == L'\\') return platform::kErrorBadPathname;
  const Node* node = Find(base.root, PhysicalPath(base, subKey, 0));
  if (!node) return platform::kErrorFileNotFound;
  const auto found = node->values.find(Folded(valueName));
  if (found == node->values.end()) return platform::kErrorFileNotFound;

  Value value = found->second;
  if (value.type == platform::kRegExpandSz && !(flags & platform::kRrfNoExpand)) {
    value.data = Expand(value.data);
    value.type = platform::kRegSz;
  }
  if (IsStringType(value.type) && !value.data.empty()) {
    value.data.resize((value.data.size() + sizeof(wchar_t) - 1) / sizeof(wchar_t) * sizeof(wchar_t));
    wchar_t last = L'\0';
    std::memcpy(&last, value.data.data() + value.data.size() - sizeof(wchar_t), sizeof last);
    if (last != L'\0') value.data.resize(value.data.size() + sizeof(wchar_t), 0);
  }
  if (!PassesRestriction(value.type, flags)) return platform::kErrorUnsupportedType;

  const auto bytes = static_cast<std::uint32_t>(value.data.size());
  if (type) *type = value.type;
  if (!data) {
    if (size) *size = bytes;
    return platform::kErrorSuccess;
  }
  if (*size < bytes) {
    *size = bytes;
    return platform::kErrorMoreData;
  }
  if (bytes) std::memcpy(data, value.data.data(), bytes);
  *size = bytes;
  return platform::kErrorSuccess;
}

long FakeRegistry::QueryValueExW(RegistryKey key, const std::wstring& valueName,
                                 std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) {
  ++counts.queryValue;
  long status = 0;
  if (Fails(Call::kQueryValue, status)) return status;
  if (data && !size) return 87;  // ERROR_INVALID_PARAMETER
  const Node* node = NodeOf(key);
  if (!node) return platform::kErrorInvalidHandle;
  const auto found = node->values.find(Folded(valueName));
  if (found == node->values.end()) return platform::kErrorFileNotFound;
  const Value& value = found->second;
  const auto bytes = static_cast<std::uint32_t>(value.data.size());
  if (type) *type = value.type;
  if (!size) return platform::kErrorSuccess;
  if (data && *size < bytes) {
    *size = bytes;
    return platform::kErrorMoreData;
  }
  if (data && bytes) std::memcpy(data, value.data.data(), bytes);
  *size = bytes;
  return platform::kErrorSuccess;
}

long FakeRegistry::QueryValueA(RegistryKey key, const std::string& name, std::uint8_t* buffer,
                               std::uint32_t& size) {
  ++counts.queryValue;
  long status = 0;
  if (Fails(Call::kQueryValue, status)) return status;
  const Node* node = NodeOf(key);
  if (!node) return platform::kErrorInvalidHandle;
  const auto found = node->values.find(Folded(std::wstring(name.begin(), name.end())));
  if (found == node->values.end()) return platform::kErrorFileNotFound;
  std::vector<std::uint8_t> bytes = found->second.data;
  if (IsStringType(found->second.type)) {
    // The narrow call converts the text; the fake's texts are ASCII.
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(&text[0], bytes.data(), text.size() * sizeof(wchar_t));
    bytes.assign(text.begin(), text.end());
  }
  const auto needed = static_cast<std::uint32_t>(bytes.size());
  if (needed > size) {
    size = needed;
    return platform::kErrorMoreData;
  }
  if (needed) std::memcpy(buffer, bytes.data(), needed);
  size = needed;
  return platform::kErrorSuccess;
}

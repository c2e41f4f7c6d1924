// The direct subkeys of each software branch, per root and view, as the rule
// engine keeps them for one walk over the offers: a key whose first component
// under SOFTWARE is not in the list is absent without any registry call.
// Not thread-safe: one engine, one thread.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/registry.h"

class SubkeyCache {
 public:
  // The lowercase names, in enumeration order, under root\branch in the view
  // given by `viewFlags` (0 or KEY_WOW64_64KEY). Empty means not filled yet;
  // the caller fills it in place.
  std::vector<std::wstring>& Names(platform::RegistryKey root, std::uint32_t viewFlags,
                                   const std::wstring& branch) {
    return lists_[root][viewFlags][branch];
  }

 private:
  std::unordered_map<
      platform::RegistryKey,
      std::unordered_map<std::uint32_t, std::unordered_map<std::wstring, std::vector<std::wstring>>>>
      lists_;
};

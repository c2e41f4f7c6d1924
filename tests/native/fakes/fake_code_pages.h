// Code-page conversions standing in for a Western ANSI code page: characters
// up to U+00FF map to single bytes, others to '?' (Windows' default
// character). Records the code pages asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/code_pages.h"

class FakeCodePages : public platform::CodePages {
 public:
  bool fails = false;
  std::vector<std::uint32_t> fromWideCodePages;
  std::vector<std::wstring> fromWideTexts;

  bool FromWide(std::uint32_t codePage, const std::wstring& text, std::string& out) override {
    fromWideCodePages.push_back(codePage);
    fromWideTexts.push_back(text);
    out.clear();
    if (fails) return false;
    for (const wchar_t c : text) {
      out += static_cast<std::uint32_t>(c) <= 0xFF ? static_cast<char>(c) : '?';
    }
    return true;
  }

  bool ToWide(std::uint32_t, const std::string& text, std::wstring& out) override {
    out.clear();
    if (fails) return false;
    for (const char c : text) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return true;
  }
};

// Code-page conversions standing in for a Western ANSI code page: characters
// up to U+00FF map to single bytes, others to '?' (Windows' default
// character). UTF-8 (65001) is real UTF-8, with U+FFFD for a lone surrogate
// as Windows writes it. Records the code pages asked for.
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
    if (codePage == platform::kCpUtf8) {
      for (const wchar_t c : text) AppendUtf8(static_cast<std::uint32_t>(c), out);
      return true;
    }
    for (const wchar_t c : text) {
      out += static_cast<std::uint32_t>(c) <= 0xFF ? static_cast<char>(c) : '?';
    }
    return true;
  }

  static void AppendUtf8(std::uint32_t c, std::string& out) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  bool ToWide(std::uint32_t, const std::string& text, std::wstring& out) override {
    out.clear();
    if (fails) return false;
    for (const char c : text) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return true;
  }
};

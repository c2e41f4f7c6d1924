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
  bool toWideFails = false;  // only MultiByteToWideChar fails
  std::vector<std::uint32_t> toWideCodePages;
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

  bool ToWide(std::uint32_t codePage, const std::string& text, std::wstring& out) override {
    toWideCodePages.push_back(codePage);
    out.clear();
    if (fails || toWideFails) return false;
    if (codePage == platform::kCpUtf8) {
      DecodeUtf8(text, out);
      return true;
    }
    for (const char c : text) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return true;
  }

  // Characters above U+FFFF become surrogate pairs where wchar_t is 16 bits.
  static void DecodeUtf8(const std::string& text, std::wstring& out) {
    std::size_t i = 0;
    while (i < text.size()) {
      const auto lead = static_cast<unsigned char>(text[i]);
      int extra = -1;
      std::uint32_t c = 0;
      if (lead < 0x80) {
        extra = 0, c = lead;
      } else if ((lead >> 5) == 0x6) {
        extra = 1, c = lead & 0x1Fu;
      } else if ((lead >> 4) == 0xE) {
        extra = 2, c = lead & 0x0Fu;
      } else if ((lead >> 3) == 0x1E) {
        extra = 3, c = lead & 0x07u;
      }
      bool valid = extra >= 0 && i + extra < text.size();
      for (int k = 1; valid && k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) valid = false;
        c = (c << 6) | (next & 0x3F);
      }
      if (!valid) {
        out += static_cast<wchar_t>(0xFFFD);
        ++i;
        continue;
      }
      i += extra + 1;
      if (sizeof(wchar_t) == 2 && c > 0xFFFF) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
      } else {
        out += static_cast<wchar_t>(c);
      }
    }
  }
};

#include "install/zip_entry_name.h"

#include <cstdint>

#include "install/target_path.h"

namespace {

// Code page 437, bytes 0x80 to 0xFF.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8,
    0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2,
    0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1,
    0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD,
    0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562,
    0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534,
    0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560,
    0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393,
    0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6,
    0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0,
    0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

void AppendCodePoint(std::uint32_t c, std::wstring& out) {
  if (sizeof(wchar_t) == 2 && c > 0xFFFF) {
    c -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (c >> 10));
    out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
  } else {
    out += static_cast<wchar_t>(c);
  }
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool DecodeUtf8(const std::string& raw, std::wstring& out) {
  for (std::size_t i = 0; i < raw.size();) {
    const auto lead = static_cast<unsigned char>(raw[i]);
    std::size_t length = 0;
    std::uint32_t c = 0;
    std::uint32_t least = 0;
    if (lead < 0x80) {
      length = 1, c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (raw.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(raw[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    AppendCodePoint(c, out);
    i += length;
  }
  return true;
}

std::wstring DecodeCp437(const std::string& raw) {
  std::wstring out;
  for (const char byte : raw) {
    const auto b = static_cast<unsigned char>(byte);
    out += b < 0x80 ? static_cast<wchar_t>(b) : static_cast<wchar_t>(kCp437High[b - 0x80]);
  }
  return out;
}

// SafeFileName leaves a name alone only when Windows would create exactly
// that name in the folder: no separators, streams, devices, refused or
// trailing characters, and never "." or "..".
bool IsPlainName(const std::wstring& part) { return !part.empty() && SafeFileName(part) == part; }

}  // namespace

bool ParseZipEntryName(const std::string& raw, bool utf8, ZipEntryPath& path) {
  std::wstring name;
  if (utf8) {
    if (!DecodeUtf8(raw, name)) return false;
  } else {
    name = DecodeCp437(raw);
  }
  path = ZipEntryPath();
  if (!name.empty() && (name.back() == L'/' || name.back() == L'\\')) {
    path.isFolder = true;
    name.pop_back();
  }
  std::size_t start = 0;
  while (true) {
    const std::size_t separator = name.find_first_of(L"/\\", start);
    const std::wstring part = name.substr(start, separator - start);
    if (!IsPlainName(part)) return false;
    path.parts.push_back(part);
    if (separator == std::wstring::npos) return true;
    start = separator + 1;
  }
}

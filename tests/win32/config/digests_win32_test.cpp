// Digests as the Windows build computes them: MD5 through the real CryptoAPI,
// SHA-256 and base 62 compiled by the cross compiler.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "config/digests.h"
#include "platform/win32/win32_platform.h"

namespace {

namespace w = platform::win32;

TEST(DigestsWin32, Md5ThroughCryptoApiMatchesRfc1321) {
  const std::pair<const wchar_t*, const char*> cases[] = {
      {L"", "d41d8cd98f00b204e9800998ecf8427e"},
      {L"a", "0cc175b9c0f1b6a831c399e269772661"},
      {L"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {L"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {L"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {L"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [text, hex] : cases) {
    EXPECT_EQ(Md5Hex(w::RealCrypto(), w::RealCodePages(), text), hex);
  }
}

TEST(DigestsWin32, Md5HashesTheAnsiBytes) {
  if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << GetACP();
  EXPECT_EQ(Md5Hex(w::RealCrypto(), w::RealCodePages(), L"\u00e9"),
            "3406877694691ddd1dfb0aca54681407");
}

TEST(DigestsWin32, Sha256AndBase62AsNatively) {
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_EQ(Base62Encode("abc"), "qMin");
  EXPECT_EQ(Base62Encode(std::string("\0\0\x3D", 3)), "Z");
}

}  // namespace

#include "config/digests.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/fake_code_pages.h"
#include "fakes/fake_crypto.h"

namespace {

struct HashCase {
  std::string input;
  const char* hex;
};

TEST(Sha256HexTest, MatchesPublishedAndBlockBoundaryDigests) {
  const HashCase cases[] = {
      // FIPS 180-4 examples.
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      // Padding that just fits, that needs a second block, and whole blocks.
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(119, 'a'), "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
  };
  for (const HashCase& c : cases) {
    EXPECT_EQ(Sha256Hex(c.input), c.hex) << "length " << c.input.size();
  }
}

TEST(Sha256HexTest, HashesEveryByteValueIncludingZero) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(Sha256Hex(all), "40aff2e9d2d8922e47afd4648e6967497158785fbd1da870e7110266bf944880");
}

TEST(Base62EncodeTest, DocumentedCases) {
  const std::pair<std::string, const char*> cases[] = {
      {"", ""},
      {std::string(1, '\x3D'), "Z"},
      {std::string(1, '\x3E'), "10"},
      {std::string("\0\0\x3D", 3), "Z"},
      {std::string(1, '\0'), ""},
      {std::string(5, '\0'), ""},
      {"abc", "qMin"},
      {std::string(1, '\xFF'), "47"},
      {std::string("\x01\x00", 2), "48"},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(Base62Encode(input), expected) << "input of " << input.size() << " bytes";
  }
}

// Schoolbook conversion: divide the big-endian number by 62 until it is 0.
std::string ReferenceBase62(const std::string& bytes) {
  static const char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::vector<unsigned> number(bytes.begin(), bytes.end());
  for (unsigned& digit : number) digit &= 0xFF;
  std::string out;
  for (;;) {
    while (!number.empty() && number.front() == 0) number.erase(number.begin());
    if (number.empty()) break;
    unsigned remainder = 0;
    for (unsigned& digit : number) {
      const unsigned value = remainder * 256 + digit;
      digit = value / 62;
      remainder = value % 62;
    }
    out += kAlphabet[remainder];
  }
  std::reverse(out.begin(), out.end());
  return out;
}

TEST(Base62EncodeTest, AgreesWithABigIntegerConversionOnRandomInput) {
  std::mt19937 random(20250129);
  for (int round = 0; round < 2000; ++round) {
    const std::size_t zeros = random() % 4;
    const std::size_t length = random() % 80;
    std::string bytes(zeros, '\0');
    for (std::size_t i = 0; i < length; ++i) bytes += static_cast<char>(random() & 0xFF);
    ASSERT_EQ(Base62Encode(bytes), ReferenceBase62(bytes)) << "round " << round;
  }
}

TEST(Base62EncodeTest, LongRunsOfExtremeBytes) {
  for (const char fill : {'\xFF', '\x01', '\x80'}) {
    for (const std::size_t length : {1u, 2u, 31u, 32u, 33u, 255u, 1000u}) {
      const std::string bytes(length, fill);
      EXPECT_EQ(Base62Encode(bytes), ReferenceBase62(bytes)) << length;
    }
  }
}

TEST(JoinWithCommasTest, SeparatesWithSingleCommas) {
  EXPECT_EQ(JoinWithCommas({}), "");
  EXPECT_EQ(JoinWithCommas({"a"}), "a");
  EXPECT_EQ(JoinWithCommas({"a", "b"}), "a,b");
  EXPECT_EQ(JoinWithCommas({"NOT ENOUGH RAM", "", "x y"}), "NOT ENOUGH RAM,,x y");
}

class Md5HexTest : public ::testing::Test {
 protected:
  FakeCrypto crypto;
  FakeCodePages codePages;
};

TEST_F(Md5HexTest, HashesTheAnsiTextWithAnEphemeralRsaProvider) {
  for (int i = 0; i < 16; ++i) crypto.digest[i] = static_cast<std::uint8_t>(i * 17);
  EXPECT_EQ(Md5Hex(crypto, codePages, L"Varnex\u00e9\u4e00"),
            "00112233445566778899aabbccddeeff");
  EXPECT_EQ(crypto.hashed, "Varnex\xe9?");
  ASSERT_EQ(codePages.fromWideCodePages.size(), 1u);
  EXPECT_EQ(codePages.fromWideCodePages[0], platform::kCpThreadAcp);
  EXPECT_TRUE(crypto.defaultContainerAndProvider);
  EXPECT_EQ(crypto.providerType, 1u);
  EXPECT_EQ(crypto.providerFlags, 0xF0000000u);
  EXPECT_EQ(crypto.algorithm, 0x8003u);
  EXPECT_EQ(crypto.parameter, 2u);
  EXPECT_EQ(crypto.openHashes, 0);
  EXPECT_EQ(crypto.openProviders, 0);
}

TEST_F(Md5HexTest, EmptyTextIsHashedToo) {
  EXPECT_EQ(Md5Hex(crypto, codePages, L""), std::string(32, '0'));
  EXPECT_EQ(crypto.hashed, "");
}

TEST_F(Md5HexTest, AnyFailingStepGivesEmptyTextAndReleasesWhatWasOpened) {
  for (const char* step : {"AcquireContext", "CreateHash", "HashData", "GetHashParam"}) {
    FakeCrypto failing;
    failing.failAt = step;
    EXPECT_EQ(Md5Hex(failing, codePages, L"Varnex"), "") << step;
    EXPECT_EQ(failing.openHashes, 0) << step;
    EXPECT_EQ(failing.openProviders, 0) << step;
  }
}

TEST_F(Md5HexTest, ShortDigestOrFailedConversionGivesEmptyText) {
  crypto.digestLength = 15;
  EXPECT_EQ(Md5Hex(crypto, codePages, L"Varnex"), "");
  EXPECT_EQ(crypto.openProviders, 0);

  FakeCrypto fresh;
  codePages.fails = true;
  EXPECT_EQ(Md5Hex(fresh, codePages, L"Varnex"), "");
  EXPECT_EQ(fresh.openProviders, 0);
}

}  // namespace

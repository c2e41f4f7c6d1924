#include "config/digests.h"

#include "config/sha256.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <stdexcept>

std::string Sha256Hex(const std::string& text) {
  Sha256 sha;
  sha.Update(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  const auto digest = sha.Finish();
  return HexBytes(digest.data(), digest.size());
}

std::string Md5Hex(platform::Crypto& crypto, platform::CodePages& codePages,
                   const std::wstring& text) {
  try {
    std::string bytes;
    if (!codePages.FromWide(platform::kCpThreadAcp, text, bytes)) {
      throw std::runtime_error("WideCharToMultiByte failed");
    }
    platform::CryptProvider madeProvider = 0;
    if (!crypto.AcquireContext(madeProvider, nullptr, nullptr, platform::kProvRsaFull,
                               platform::kCryptVerifyContext)) {
      throw std::runtime_error("CryptAcquireContext failed");
    }
    const platform::ScopedCryptProvider provider(madeProvider,
                                                 platform::CryptProviderTraits{&crypto});
    platform::CryptHash madeHash = 0;
    if (!crypto.CreateHash(provider.get(), platform::kCalgMd5, 0, 0, madeHash)) {
      throw std::runtime_error("CryptCreateHash failed");
    }
    // Declared after the provider, so destroyed before it.
    const platform::ScopedCryptHash hash(madeHash, platform::CryptHashTraits{&crypto});
    if (!crypto.HashData(hash.get(), reinterpret_cast<const std::uint8_t*>(bytes.data()),
                         static_cast<std::uint32_t>(bytes.size()), 0)) {
      throw std::runtime_error("CryptHashData failed");
    }
    std::uint8_t digest[16] = {};
    std::uint32_t length = sizeof digest;
    if (!crypto.GetHashParam(hash.get(), platform::kHpHashVal, digest, length, 0) ||
        length != sizeof digest) {
      throw std::runtime_error("CryptGetHashParam failed");
    }
    return HexBytes(digest, sizeof digest);
  } catch (const std::exception&) {
    // The reason is never shown; the placeholder stays empty.
    return {};
  }
}

std::string Base62Encode(const std::string& bytes) {
  static const char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::size_t zeros = 0;
  while (zeros < bytes.size() && bytes[zeros] == '\0') ++zeros;
  if (zeros == bytes.size()) return {};

  const std::size_t remaining = bytes.size() - zeros;
  // Digits needed for `remaining` bytes: ceil(remaining * ln 256 / ln 62).
  const std::size_t size =
      static_cast<std::size_t>(std::ceil(remaining * std::log(256.0) / std::log(62.0)));
  std::vector<std::uint8_t> digits(size, 0);
  std::size_t run = 0;  // digits in use, counted from the end
  for (std::size_t i = zeros; i < bytes.size(); ++i) {
    std::uint32_t carry = static_cast<std::uint8_t>(bytes[i]);
    std::size_t processed = 0;
    for (std::size_t k = size; (carry != 0 || processed < run) && k > 0; --k, ++processed) {
      carry += 256u * digits[k - 1];
      digits[k - 1] = static_cast<std::uint8_t>(carry % 62);
      carry /= 62;
    }
    if (carry != 0) throw std::runtime_error("Non-zero carry");
    run = processed;
  }
  std::size_t first = 0;
  while (first < size && digits[first] == 0) ++first;
  std::string text;
  text.reserve(size - first);
  for (std::size_t k = first; k < size; ++k) text += kAlphabet[digits[k]];
  return text;
}

std::string JoinWithCommas(const std::vector<std::string>& texts) {
  std::string joined;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i) joined += ',';
    joined += texts[i];
  }
  return joined;
}

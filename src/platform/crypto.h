// The CryptoAPI hash calls (CryptAcquireContextW, CryptCreateHash,
// CryptHashData, CryptGetHashParam, CryptDestroyHash, CryptReleaseContext)
// with Windows' numeric constants.
#pragma once

#include <cstdint>

#include "platform/scoped_resource.h"

namespace platform {

using CryptProvider = std::uintptr_t;  // HCRYPTPROV
using CryptHash = std::uintptr_t;      // HCRYPTHASH

constexpr std::uint32_t kProvRsaFull = 1;
constexpr std::uint32_t kCryptVerifyContext = 0xF0000000;
constexpr std::uint32_t kCalgMd5 = 0x8003;
constexpr std::uint32_t kHpHashVal = 2;

class Crypto {
 public:
  virtual ~Crypto() = default;
  // Null container and provider names stand for the defaults.
  virtual bool AcquireContext(CryptProvider& provider, const wchar_t* container,
                              const wchar_t* providerName, std::uint32_t providerType,
                              std::uint32_t flags) = 0;
  virtual bool CreateHash(CryptProvider provider, std::uint32_t algorithm, std::uintptr_t key,
                          std::uint32_t flags, CryptHash& hash) = 0;
  virtual bool HashData(CryptHash hash, const std::uint8_t* data, std::uint32_t length,
                        std::uint32_t flags) = 0;
  // length: buffer size in, value size out.
  virtual bool GetHashParam(CryptHash hash, std::uint32_t parameter, std::uint8_t* buffer,
                            std::uint32_t& length, std::uint32_t flags) = 0;
  virtual bool DestroyHash(CryptHash hash) = 0;
  virtual bool ReleaseContext(CryptProvider provider, std::uint32_t flags) = 0;
};

// Destroys a hash / releases a provider through the interface that made it.
struct CryptHashTraits {
  using Handle = CryptHash;
  Crypto* crypto = nullptr;
  static Handle Invalid() { return 0; }
  bool Free(Handle hash) const { return crypto->DestroyHash(hash); }
};
struct CryptProviderTraits {
  using Handle = CryptProvider;
  Crypto* crypto = nullptr;
  static Handle Invalid() { return 0; }
  bool Free(Handle provider) const { return crypto->ReleaseContext(provider, 0); }
};
using ScopedCryptHash = ScopedResource<CryptHashTraits>;
using ScopedCryptProvider = ScopedResource<CryptProviderTraits>;

}  // namespace platform

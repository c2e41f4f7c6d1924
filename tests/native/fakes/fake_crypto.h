// CryptoAPI stand-in: hands out handles, records the arguments and the bytes
// hashed, returns a scripted digest, and can fail at any named step. Counts
// the handles still open.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/crypto.h"

class FakeCrypto : public platform::Crypto {
 public:
  std::string failAt;  // "AcquireContext", "CreateHash", "HashData", "GetHashParam"
  std::array<std::uint8_t, 16> digest{};
  std::uint32_t digestLength = 16;

  std::uint32_t providerType = 0, providerFlags = 0, algorithm = 0, parameter = 0;
  bool defaultContainerAndProvider = false;
  std::string hashed;
  int openProviders = 0;
  int openHashes = 0;

  bool AcquireContext(platform::CryptProvider& provider, const wchar_t* container,
                      const wchar_t* providerName, std::uint32_t type,
                      std::uint32_t flags) override {
    defaultContainerAndProvider = container == nullptr && providerName == nullptr;
    providerType = type;
    providerFlags = flags;
    if (failAt == "AcquireContext") return false;
    provider = 0x51;
    ++openProviders;
    return true;
  }
  bool CreateHash(platform::CryptProvider provider, std::uint32_t algorithmId, std::uintptr_t,
                  std::uint32_t, platform::CryptHash& hash) override {
    algorithm = algorithmId;
    if (failAt == "CreateHash" || provider != 0x51) return false;
    hash = 0x77;
    ++openHashes;
    return true;
  }
  bool HashData(platform::CryptHash hash, const std::uint8_t* data, std::uint32_t length,
                std::uint32_t) override {
    if (failAt == "HashData" || hash != 0x77) return false;
    hashed.append(reinterpret_cast<const char*>(data), length);
    return true;
  }
  bool GetHashParam(platform::CryptHash hash, std::uint32_t parameterId, std::uint8_t* buffer,
                    std::uint32_t& length, std::uint32_t) override {
    parameter = parameterId;
    if (failAt == "GetHashParam" || hash != 0x77 || length < digestLength) return false;
    for (std::uint32_t i = 0; i < digestLength; ++i) buffer[i] = digest[i % 16];
    length = digestLength;
    return true;
  }
  bool DestroyHash(platform::CryptHash hash) override {
    if (hash != 0x77) return false;
    --openHashes;
    return true;
  }
  bool ReleaseContext(platform::CryptProvider provider, std::uint32_t) override {
    if (provider != 0x51) return false;
    --openProviders;
    return true;
  }
};

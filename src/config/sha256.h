// SHA-256 as FIPS 180-4 specifies it, fed in pieces: a file is hashed as it
// is read, never loaded whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
 public:
  void Update(const std::uint8_t* data, std::size_t count);
  std::array<std::uint8_t, 32> Finish();

 private:
  void Compress();

  std::uint32_t state_[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::uint8_t block_[64] = {};
  std::size_t blockUsed_ = 0;
  std::uint64_t bitLength_ = 0;
};

// Lower-case hexadecimal of `count` bytes.
std::string HexBytes(const std::uint8_t* bytes, std::size_t count);

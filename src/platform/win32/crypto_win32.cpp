#include <windows.h>
#include <wincrypt.h>

#include "platform/win32/system_library.h"
#include "platform/win32/win32_platform.h"

namespace platform::win32 {
namespace {

static_assert(kProvRsaFull == PROV_RSA_FULL && kCryptVerifyContext == CRYPT_VERIFYCONTEXT &&
              kCalgMd5 == CALG_MD5 && kHpHashVal == HP_HASHVAL);

// Looked up at run time like every other crypto entry point; a missing one
// makes the call fail with ERROR_PROC_NOT_FOUND.
template <typename Fn>
Fn Procedure(const char* name) {
  return SystemProcedure<Fn>(L"advapi32.dll", name);
}

bool Missing() {
  SetLastError(ERROR_PROC_NOT_FOUND);
  return false;
}

class Win32Crypto final : public Crypto {
 public:
  bool AcquireContext(CryptProvider& provider, const wchar_t* container,
                      const wchar_t* providerName, std::uint32_t providerType,
                      std::uint32_t flags) override {
    static const auto acquire = Procedure<decltype(&::CryptAcquireContextW)>("CryptAcquireContextW");
    if (!acquire) return Missing();
    HCRYPTPROV handle = 0;
    const BOOL ok = acquire(&handle, container, providerName, providerType, flags);
    provider = handle;
    return ok != FALSE;
  }

  bool CreateHash(CryptProvider provider, std::uint32_t algorithm, std::uintptr_t key,
                  std::uint32_t flags, CryptHash& hash) override {
    static const auto create = Procedure<decltype(&::CryptCreateHash)>("CryptCreateHash");
    if (!create) return Missing();
    HCRYPTHASH handle = 0;
    const BOOL ok = create(provider, algorithm, key, flags, &handle);
    hash = handle;
    return ok != FALSE;
  }

  bool HashData(CryptHash hash, const std::uint8_t* data, std::uint32_t length,
                std::uint32_t flags) override {
    static const auto hashData = Procedure<decltype(&::CryptHashData)>("CryptHashData");
    if (!hashData) return Missing();
    return hashData(hash, data, length, flags) != FALSE;
  }

  bool GetHashParam(CryptHash hash, std::uint32_t parameter, std::uint8_t* buffer,
                    std::uint32_t& length, std::uint32_t flags) override {
    static const auto getParam = Procedure<decltype(&::CryptGetHashParam)>("CryptGetHashParam");
    if (!getParam) return Missing();
    DWORD size = length;
    const BOOL ok = getParam(hash, parameter, buffer, &size, flags);
    length = size;
    return ok != FALSE;
  }

  bool DestroyHash(CryptHash hash) override {
    static const auto destroy = Procedure<decltype(&::CryptDestroyHash)>("CryptDestroyHash");
    if (!destroy) return Missing();
    return destroy(hash) != FALSE;
  }

  bool ReleaseContext(CryptProvider provider, std::uint32_t flags) override {
    static const auto release = Procedure<decltype(&::CryptReleaseContext)>("CryptReleaseContext");
    if (!release) return Missing();
    return release(provider, flags) != FALSE;
  }
};

}  // namespace

Crypto& RealCrypto() {
  static Win32Crypto crypto;
  return crypto;
}

}  // namespace platform::win32

// Puts a CA certificate into the LocalMachine ROOT store of the Windows (Wine
// prefix) it runs in, so WinHTTP trusts the reference server's certificate.
//   addroot.exe CA.der
// Exit code 0 when the certificate is in the store afterwards.
#include <windows.h>
#include <wincrypt.h>

#include <cwchar>
#include <vector>

#include "platform/win32/scoped_handle.h"

namespace {

struct CertStoreTraits {
  using Handle = HCERTSTORE;
  static Handle Invalid() { return nullptr; }
  static bool Free(Handle store) { return CertCloseStore(store, 0) != FALSE; }
};
using ScopedCertStore = platform::ScopedResource<CertStoreTraits>;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fwprintf(stderr, L"usage: addroot CA.der\n");
    return 2;
  }
  const platform::win32::ScopedFile file(CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ,
                                                     nullptr, OPEN_EXISTING,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    std::fwprintf(stderr, L"addroot: cannot open %ls (%lu)\n", argv[1], GetLastError());
    return 1;
  }
  std::vector<BYTE> der(GetFileSize(file.get(), nullptr));
  DWORD read = 0;
  const BOOL ok = ReadFile(file.get(), der.data(), static_cast<DWORD>(der.size()), &read, nullptr);
  if (!ok || read != der.size() || der.empty()) {
    std::fwprintf(stderr, L"addroot: cannot read %ls\n", argv[1]);
    return 1;
  }
  const ScopedCertStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                            CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT"));
  if (!store) {
    std::fwprintf(stderr, L"addroot: cannot open the ROOT store (%lu)\n", GetLastError());
    return 1;
  }
  const BOOL added = CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(),
                                                      static_cast<DWORD>(der.size()),
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  const DWORD error = GetLastError();
  if (!added) {
    std::fwprintf(stderr, L"addroot: cannot add the certificate (0x%lx)\n", error);
    return 1;
  }
  return 0;
}

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shldisp.h>

#include <string>

#include "platform/scoped_resource.h"
#include "platform/win32/win32_platform.h"

namespace platform::win32 {
namespace {

// Shell.Application and the interfaces used, spelt out here so that no
// GUID library is linked for them.
constexpr CLSID kClsidShell = {0x13709620, 0xC279, 0x11CE,
                               {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr IID kIidShellDispatch = {0xD8F015C0, 0xC278, 0x11CE,
                                   {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr IID kIidDispatch = {0x00020400, 0x0000, 0x0000,
                              {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI: no
// progress window, no questions, no error boxes.
constexpr LONG kCopyOptions = 0x614;
static_assert(kCopyOptions ==
              (FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI));

template <typename Interface>
struct ComTraits {
  using Handle = Interface*;
  static Handle Invalid() { return nullptr; }
  static bool Free(Handle handle) {
    handle->Release();
    return true;
  }
};
template <typename Interface>
using ComPointer = ScopedResource<ComTraits<Interface>>;

struct BstrTraits {
  using Handle = BSTR;
  static Handle Invalid() { return nullptr; }
  static bool Free(Handle handle) {
    SysFreeString(handle);
    return true;
  }
};

// COM for this thread for the length of one call; uninitialised on every
// way out, but only when this call's initialisation took.
class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

// The shell folder of `path` (a ZIP file opens as a folder); null when the
// shell has none.
ComPointer<Folder> OpenFolder(IShellDispatch& shell, const std::wstring& path) {
  const ScopedResource<BstrTraits> text(
      SysAllocStringLen(path.data(), static_cast<UINT>(path.size())));
  if (!text) return {};
  VARIANT where;
  VariantInit(&where);
  where.vt = VT_BSTR;
  where.bstrVal = text.get();
  Folder* folder = nullptr;
  const HRESULT result = shell.NameSpace(where, &folder);
  ComPointer<Folder> opened(folder);  // released whatever the answer
  if (result != S_OK) return {};
  return opened;
}

class Win32ZipShell final : public ZipShell {
 public:
  bool ExtractZipWithShell(const std::wstring& archive, const std::wstring& destination) override {
    const ComApartment apartment;
    IShellDispatch* created = nullptr;
    if (CoCreateInstance(kClsidShell, nullptr, CLSCTX_INPROC_SERVER, kIidShellDispatch,
                         reinterpret_cast<void**>(&created)) != S_OK) {
      if (created) created->Release();
      return false;
    }
    const ComPointer<IShellDispatch> shell(created);
    const ComPointer<Folder> source = OpenFolder(*shell.get(), archive);
    const ComPointer<Folder> target = OpenFolder(*shell.get(), destination);
    if (!source || !target) return false;
    FolderItems* listed = nullptr;
    source.get()->Items(&listed);
    const ComPointer<FolderItems> items(listed);
    if (!items) return false;
    LONG count = 0;
    if (items.get()->get_Count(&count) != S_OK || count < 1) return false;
    IDispatch* asDispatch = nullptr;
    if (items.get()->QueryInterface(kIidDispatch, reinterpret_cast<void**>(&asDispatch)) != S_OK) {
      if (asDispatch) asDispatch->Release();
      return false;
    }
    const ComPointer<IDispatch> dispatch(asDispatch);
    VARIANT what;
    VariantInit(&what);
    what.vt = VT_DISPATCH;
    what.pdispVal = dispatch.get();
    VARIANT options;
    VariantInit(&options);
    options.vt = VT_I4;
    options.lVal = kCopyOptions;
    return target.get()->CopyHere(what, options) == S_OK;
  }
};

}  // namespace

ZipShell& RealZipShell() {
  static Win32ZipShell shell;
  return shell;
}

}  // namespace platform::win32

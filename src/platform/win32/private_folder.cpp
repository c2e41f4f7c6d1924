#include "platform/win32/private_folder.h"

#include <sddl.h>

namespace platform::win32 {

SecurityDescriptor::SecurityDescriptor(const std::wstring& sddl) {
  PSECURITY_DESCRIPTOR made = nullptr;
  if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &made,
                                                           nullptr)) {
    descriptor_.reset(made);
  }
}

std::wstring SecurityDescriptor::DaclAsSddl() const {
  if (!descriptor_) return {};
  wchar_t* text = nullptr;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor_.get(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    return {};
  }
  const ScopedLocalMemory<wchar_t*> owned(text);
  return text;
}

DWORD CreatePrivateFolder(const std::wstring& path, const std::wstring& sddl, ScopedFile& held) {
  held.reset();
  const SecurityDescriptor descriptor(sddl);
  if (!descriptor.get()) return GetLastError();
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
  // Fails with ERROR_ALREADY_EXISTS for anything already there, a planted
  // junction included: only a folder this call made is ever used.
  if (!CreateDirectoryW(path.c_str(), &attributes)) return GetLastError();

  ScopedFile folder(CreateFileW(
      path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) {
    const DWORD error = GetLastError();
    RemoveDirectoryW(path.c_str());
    return error;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  const bool plainFolder =
      GetFileInformationByHandle(folder.get(), &information) &&
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
      !(information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
  if (!plainFolder) {
    // Swapped between the creation and the open: not ours, leave it alone.
    return ERROR_ALREADY_EXISTS;
  }
  held = std::move(folder);
  return ERROR_SUCCESS;
}

}  // namespace platform::win32

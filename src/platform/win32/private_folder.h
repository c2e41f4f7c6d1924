// Folders that only SYSTEM and Administrators may change, created so that
// nothing already at the path (a folder, a junction, a link another process
// planted in the user's temporary folder) is ever taken for the new one.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/scoped_handle.h"

namespace platform::win32 {

// A security descriptor built from SDDL text; empty when the text is refused.
class SecurityDescriptor {
 public:
  explicit SecurityDescriptor(const std::wstring& sddl);

  PSECURITY_DESCRIPTOR get() const { return descriptor_.get(); }
  // The descriptor's DACL written back as SDDL text (what the system made of
  // the text); empty when there is none.
  std::wstring DaclAsSddl() const;

 private:
  ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor_;
};

// CreateDirectoryW with the descriptor of `sddl`, then opens the new folder
// itself (never through a reparse point) without delete sharing and checks
// that it is a plain folder. On success `held` is that open handle: while it
// is open the folder can be neither renamed nor deleted. ERROR_SUCCESS or the
// Windows error; ERROR_ALREADY_EXISTS when anything is at the path already.
DWORD CreatePrivateFolder(const std::wstring& path, const std::wstring& sddl, ScopedFile& held);

}  // namespace platform::win32

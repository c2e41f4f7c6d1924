// The owner and the caption of the application's message boxes
// (RealDialogs(), the boxes the logic raises).
#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

// String resource of the application's title, as the framework numbers it.
constexpr UINT kApplicationTitleString = 0xE000;

// The application's title ("Vellam"): the caption of every application
// message box whose caller names none.
const std::wstring& ApplicationTitle();

// The wizard window owns every application message box from its
// initialisation until its destruction, so that no box leaves the wizard
// usable behind it. Any thread may raise a box meanwhile.
void SetMessageBoxOwner(HWND window);
// Forgets `window` as the owner, when it still is the owner.
void ClearMessageBoxOwner(HWND window);
HWND MessageBoxOwner();

}  // namespace platform::win32

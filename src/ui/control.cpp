#include "ui/control.h"

namespace ui {
namespace {

constexpr wchar_t kProperty[] = L"Vellam.Control";

}  // namespace

Control::~Control() { Detach(); }

bool Control::Attach(HWND window) {
  if (!window || hwnd_ || FromHandle(window)) return false;
  if (!SetPropW(window, kProperty, this)) return false;
  hwnd_ = window;
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::SubclassProc)));
  return true;
}

void Control::Detach() {
  if (!hwnd_) return;
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
  RemovePropW(hwnd_, kProperty);
  hwnd_ = nullptr;
  original_ = nullptr;
}

Control* Control::FromHandle(HWND window) {
  return window ? static_cast<Control*>(GetPropW(window, kProperty)) : nullptr;
}

LRESULT Control::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

LRESULT Control::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(original_, hwnd_, message, wParam, lParam);
}

HBRUSH Control::ParentBackground(HDC dc) const {
  HWND parent = GetParent(hwnd_);
  if (!parent) return nullptr;
  return reinterpret_cast<HBRUSH>(SendMessageW(parent, WM_CTLCOLORSTATIC,
                                               reinterpret_cast<WPARAM>(dc),
                                               reinterpret_cast<LPARAM>(hwnd_)));
}

LRESULT CALLBACK Control::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Control* self = FromHandle(window);
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    const WNDPROC original = self->original_;
    self->Detach();
    return CallWindowProcW(original, window, message, wParam, lParam);
  }
  return self->WindowProc(message, wParam, lParam);
}

}  // namespace ui

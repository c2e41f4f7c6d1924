// A control object attached to an existing child window of a dialog template
// (the framework's data exchange): the window is subclassed so the object
// sees its messages, and the owning ui::Dialog reflects the notifications
// that belong to the control (owner drawing, its own commands) back to it.
#pragma once

#include <windows.h>

namespace ui {

class Control {
 public:
  Control() = default;
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Subclasses `window`; false when it is null or already attached.
  bool Attach(HWND window);
  // Attaches to the child `id` of `parent`.
  bool AttachItem(HWND parent, int id) { return Attach(GetDlgItem(parent, id)); }
  void Detach();
  HWND hwnd() const { return hwnd_; }

  // The control object attached to a window, or null.
  static Control* FromHandle(HWND window);

  // A WM_COMMAND the control sent to its dialog; true when handled here.
  virtual bool OnReflectedCommand(int notifyCode) { (void)notifyCode; return false; }
  // WM_DRAWITEM for an owner-drawn control; true when drawn.
  virtual bool OnDrawItem(const DRAWITEMSTRUCT& item) { (void)item; return false; }

 protected:
  // Every message of the window; the default passes it on to the window's
  // own procedure.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
  // The brush and colours the dialog gives this control's background
  // (WM_CTLCOLORSTATIC to the parent); null when the parent has none.
  HBRUSH ParentBackground(HDC dc) const;

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  WNDPROC original_ = nullptr;
};

}  // namespace ui

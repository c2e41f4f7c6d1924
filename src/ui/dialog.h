// The small dialog framework the wizard is written against: a dialog object
// owns one dialog-template window and turns its messages into virtual calls.
// Raw Win32 underneath; modal (DoModal) or modeless child (Create).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/post_target.h"
#include "platform/win32/scoped_handle.h"

namespace ui {

class Dialog {
 public:
  Dialog(UINT templateId, HWND parent);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally; returns the value given to EndDialog, or -1.
  // Keyboard messages go first to the innermost of our dialogs that holds
  // the focus, so Enter and Escape inside a page reach the page (its default
  // button, its empty OK and Cancel), never the wizard behind it.
  INT_PTR DoModal();
  // Creates the dialog as a modeless window (pages: a child of `parent`).
  bool Create(HWND parent);
  void DestroyWindow();

  HWND hwnd() const { return hwnd_; }
  UINT templateId() const { return templateId_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  void EndDialog(INT_PTR result);

  // Background colour of the dialog and of its transparent statics.
  void SetBackgroundColour(COLORREF colour, bool repaint = true);

  void ShowWindow(int command) const { ::ShowWindow(hwnd_, command); }
  void SetItemText(int id, const std::wstring& text) const;
  std::wstring ItemText(int id) const;
  void ShowItem(int id, bool visible) const;

  // Where a completion that may run after this window is gone posts its
  // message: it keeps a copy of this pointer, never the window or this
  // object. Bound to the window from its initialisation, cleared while the
  // window is destroyed; before that it posts nothing.
  const std::shared_ptr<PostTarget>& postTarget() const { return postTarget_; }

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  // A WM_COMMAND from a control or menu; true when handled.
  virtual bool OnCommand(int id, int notifyCode) { (void)id; (void)notifyCode; return false; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // WM_CLOSE; the default behaves like the framework's: Cancel.
  virtual void OnClose() { OnCancel(); }
  virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);
  // WM_NOTIFY from a control; true when handled, with `result` set.
  virtual bool OnNotify(const NMHDR& header, LRESULT& result) {
    (void)header; (void)result;
    return false;
  }
  // Any other message; return true and set `result` when handled.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    (void)message; (void)wParam; (void)lParam; (void)result;
    return false;
  }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static bool PreTranslate(MSG& message, HWND modal);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  UINT templateId_;
  HWND parent_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
  bool ended_ = false;
  INT_PTR result_ = -1;
  platform::win32::ScopedBrush background_;
  COLORREF backgroundColour_ = 0;
  std::shared_ptr<PostTarget> postTarget_ = std::make_shared<PostTarget>();
};

}  // namespace ui

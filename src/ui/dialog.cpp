#include "ui/dialog.h"

#include "platform/win32/window_post_target.h"
#include "ui/control.h"

#include <cstring>
#include <vector>

namespace ui {
namespace {

// A copy of a dialog template without WS_VISIBLE, so a modal dialog that ends
// during its initialisation (a second instance, say) is never shown at all.
std::vector<BYTE> HiddenTemplate(UINT templateId) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(templateId), RT_DIALOG);
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const auto* data = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
  const DWORD size = resource ? SizeofResource(module, resource) : 0;
  if (!data || size < sizeof(DLGTEMPLATE)) return {};
  std::vector<BYTE> copy(data, data + size);
  // DLGTEMPLATEEX starts with version 1 and signature 0xFFFF; its style sits at offset 12.
  const WORD* words = reinterpret_cast<const WORD*>(copy.data());
  const size_t styleOffset = (words[0] == 1 && words[1] == 0xFFFF) ? 12 : 0;
  if (copy.size() < styleOffset + sizeof(DWORD)) return {};
  DWORD style;
  memcpy(&style, copy.data() + styleOffset, sizeof style);
  style &= ~static_cast<DWORD>(WS_VISIBLE);
  memcpy(copy.data() + styleOffset, &style, sizeof style);
  return copy;
}

}  // namespace

Dialog::Dialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() {
  if (hwnd_ && !modal_) ::DestroyWindow(hwnd_);
  postTarget_->Clear();
}

INT_PTR Dialog::DoModal() {
  modal_ = true;
  ended_ = false;
  result_ = -1;
  HWND owner = parent_;
  const bool disableOwner = owner && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);
  const std::vector<BYTE> hidden = HiddenTemplate(templateId_);
  HWND window =
      hidden.empty()
          ? nullptr
          : CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                       reinterpret_cast<LPCDLGTEMPLATEW>(hidden.data()), owner,
                                       &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
  if (window) {
    if (!ended_) {
      ::ShowWindow(window, SW_SHOWNORMAL);
      UpdateWindow(window);
    }
    MSG message;
    while (!ended_ && IsWindow(window)) {
      const BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got <= 0) {
        if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
        break;
      }
      if (!PreTranslate(message, window)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }
  // The owner comes back before this window goes, so activation returns to it.
  if (disableOwner) EnableWindow(owner, TRUE);
  if (window && IsWindow(window)) ::DestroyWindow(window);
  return result_;
}

bool Dialog::PreTranslate(MSG& message, HWND modal) {
  // From the window the message is for up to the modal dialog: the first of
  // our dialogs that takes it as dialog navigation wins.
  for (HWND window = message.hwnd; window; window = GetParent(window)) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    const bool ours = lstrcmpW(className, L"#32770") == 0 &&
                      GetWindowLongPtrW(window, DWLP_DLGPROC) ==
                          reinterpret_cast<LONG_PTR>(&Dialog::DialogProc);
    if (ours && IsDialogMessageW(window, &message)) {
      return true;
    }
    if (window == modal) break;
  }
  return false;
}

bool Dialog::Create(HWND parent) {
  parent_ = parent;
  modal_ = false;
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent,
                            &Dialog::DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::DestroyWindow() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

void Dialog::EndDialog(INT_PTR result) {
  if (!hwnd_) return;
  if (modal_) {
    // Like the system's EndDialog: hide now, destroy when the loop returns.
    result_ = result;
    ended_ = true;
    ::ShowWindow(hwnd_, SW_HIDE);
    PostMessageW(hwnd_, WM_NULL, 0, 0);
  } else {
    ::DestroyWindow(hwnd_);
  }
}

void Dialog::SetBackgroundColour(COLORREF colour, bool repaint) {
  backgroundColour_ = colour;
  background_.reset(CreateSolidBrush(colour));
  if (repaint && hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Dialog::SetItemText(int id, const std::wstring& text) const {
  SetDlgItemTextW(hwnd_, id, text.c_str());
}

std::wstring Dialog::ItemText(int id) const {
  HWND item = Item(id);
  if (!item) return {};
  const int length = GetWindowTextLengthW(item);
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
  GetWindowTextW(item, buffer.data(), length + 1);
  return std::wstring(buffer.data());
}

void Dialog::ShowItem(int id, bool visible) const {
  if (HWND item = Item(id)) ::ShowWindow(item, visible ? SW_SHOW : SW_HIDE);
}

HBRUSH Dialog::OnCtlColor(HDC dc, HWND control, UINT kind) {
  (void)control;
  if (!background_) return nullptr;
  if (kind == WM_CTLCOLORSTATIC || kind == WM_CTLCOLORBTN) {
    SetBkColor(dc, backgroundColour_);
  }
  return background_.get();
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    // A fresh target per window: a late completion meant for an earlier
    // window of this object never reaches this one.
    self->postTarget_->Clear();
    self->postTarget_ = platform::win32::MakeWindowPostTarget(hwnd);
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  const INT_PTR result = self->Dispatch(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    self->postTarget_->Clear();
  }
  return result;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      // Notifications a control object handles itself (link buttons open
      // their address) never reach the page.
      if (Control* control = Control::FromHandle(reinterpret_cast<HWND>(lParam))) {
        if (control->OnReflectedCommand(code)) return TRUE;
      }
      if (OnCommand(id, code)) return TRUE;
      if (id == IDOK && code == BN_CLICKED) { OnOK(); return TRUE; }
      if (id == IDCANCEL && code == BN_CLICKED) { OnCancel(); return TRUE; }
      return FALSE;
    }
    case WM_CLOSE:
      OnClose();
      return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      HBRUSH brush = OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                message);
      return reinterpret_cast<INT_PTR>(brush);
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      Control* control = item ? Control::FromHandle(item->hwndItem) : nullptr;
      return control && control->OnDrawItem(*item) ? TRUE : FALSE;
    }
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (lParam && OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) {
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
      }
      return FALSE;
    }
    default: {
      LRESULT result = 0;
      if (OnMessage(message, wParam, lParam, result)) {
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
      }
      return FALSE;
    }
  }
}

}  // namespace ui

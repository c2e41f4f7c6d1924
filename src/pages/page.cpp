#include "pages/page.h"

#include "app/win32/singletons.h"

IPage::IPage(UINT templateId, HWND parent) : ui::Dialog(templateId, parent) {
  barBrush_ = CreateSolidBrush(GetConfigurationManager()->barColour);
}

IPage::~IPage() {
  if (barBrush_) DeleteObject(barBrush_);
}

HBRUSH IPage::OnCtlColor(HDC dc, HWND control, UINT kind) {
  if (GetDlgCtrlID(control) == 1002) {
    SetBkMode(dc, TRANSPARENT);
    return barBrush_;
  }
  return ui::Dialog::OnCtlColor(dc, control, kind);
}

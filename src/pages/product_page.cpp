#include "pages/product_page.h"

BOOL ProductPage::OnInitDialog() {
  picture_.AttachItem(hwnd(), 1023);
  BindText(1021, "BUTTON_ACCEPT");
  BindText(1022, "BUTTON_DECLINE");
  BindText(1048, "BUTTON_SKIP_ALL");
  BindText(1042, "PRODUCT_DISCLAIMER");
  UpdateTexts();
  return TRUE;
}

bool ProductPage::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, 1021, ButtonType::Accept) ||
         ReportClick(id, notifyCode, 1022, ButtonType::Decline) ||
         ReportClick(id, notifyCode, 1048, ButtonType::SkipAll);
}

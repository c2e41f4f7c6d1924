#include "pages/product_page.h"

BOOL ProductPage::OnInitDialog() {
  picture_.AttachItem(hwnd(), IDC_OFFER_PICTURE);
  BindText(IDC_ACCEPT, "BUTTON_ACCEPT");
  BindText(IDC_DECLINE, "BUTTON_DECLINE");
  BindText(IDC_SKIP_ALL, "BUTTON_SKIP_ALL");
  BindText(IDC_OFFER_DISCLAIMER, "PRODUCT_DISCLAIMER");
  UpdateTexts();
  return TRUE;
}

bool ProductPage::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, IDC_ACCEPT, ButtonType::Accept) ||
         ReportClick(id, notifyCode, IDC_DECLINE, ButtonType::Decline) ||
         ReportClick(id, notifyCode, IDC_SKIP_ALL, ButtonType::SkipAll);
}

#include "pages/download_pages.h"

#include "app/win32/singletons.h"

BOOL DownloadPageDlm::OnInitDialog() {
  productImage_.AttachItem(hwnd(), 1016);
  BindText(1025, "PROGRESS_TITLE");
  BindText(1026, "PROGRESS_DESC");
  UpdateTexts();
  // The product logo the loading page downloaded; may be empty.
  productImage_.SetImage(GetConfigurationManager()->logoImage);
  return TRUE;
}

BOOL DownloadPageIsv::OnInitDialog() {
  productImage_.AttachItem(hwnd(), 1016);
  BindText(1025, "PROGRESS_TITLE");
  BindText(1026, "PROGRESS_DESC");
  UpdateTexts();
  productImage_.LoadFromResource(101, L"IMAGE_BLOB");
  return TRUE;
}

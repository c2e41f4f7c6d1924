#include "pages/download_pages.h"

#include "app/win32/singletons.h"

BOOL DownloadPageDlm::OnInitDialog() {
  productImage_.AttachItem(hwnd(), IDC_PICTURE);
  BindText(IDC_PROGRESS_TITLE, "PROGRESS_TITLE");
  BindText(IDC_PROGRESS_TEXT, "PROGRESS_DESC");
  UpdateTexts();
  // The product logo the loading page downloaded; may be empty.
  productImage_.SetImage(GetConfigurationManager()->logoImage);
  return TRUE;
}

BOOL DownloadPageIsv::OnInitDialog() {
  productImage_.AttachItem(hwnd(), IDC_PICTURE);
  BindText(IDC_PROGRESS_TITLE, "PROGRESS_TITLE");
  BindText(IDC_PROGRESS_TEXT, "PROGRESS_DESC");
  UpdateTexts();
  productImage_.LoadFromResource(IDR_WELCOME_PICTURE, L"IMAGE_BLOB");
  return TRUE;
}

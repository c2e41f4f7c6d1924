#include "pages/finish_pages.h"

namespace {


}  // namespace

BOOL FinishPageDlm::OnInitDialog() {
  picture_.AttachItem(hwnd(), IDC_PICTURE);
  BindText(IDC_FINISH_TITLE, "PAGE_FINISH_TITLE");
  BindText(IDC_FINISH_TEXT, "PAGE_FINISH_TEXT");
  BindText(IDC_FINISH, "BUTTON_FINISH");
  BindText(IDC_LAUNCH_RADIO, "LAUNCH_RADIO");
  BindText(IDC_OPEN_FOLDER_RADIO, "OPEN_FOLDER_RADIO");
  UpdateTexts();
  Check(IDC_LAUNCH_RADIO);
  picture_.LoadFromResource(IDR_FINISH_PICTURE, L"IMAGE_BLOB2");
  return TRUE;
}

bool FinishPageDlm::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, IDC_FINISH, ButtonType::Finish);
}

BOOL FinishPageIsv::OnInitDialog() {
  picture_.AttachItem(hwnd(), IDC_PICTURE);
  BindText(IDC_FINISH_TITLE, "PAGE_FINISH_TITLE");
  BindText(IDC_FINISH_TEXT, "PAGE_FINISH_TEXT");
  BindText(IDC_FINISH, "BUTTON_FINISH");
  BindText(IDC_LAUNCH_CHECKBOX, "LAUNCH_CHECKBOX");
  UpdateTexts();
  Check(IDC_LAUNCH_CHECKBOX);
  picture_.LoadFromResource(IDR_FINISH_PICTURE, L"IMAGE_BLOB2");
  return TRUE;
}

bool FinishPageIsv::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, IDC_FINISH, ButtonType::Finish);
}

BOOL ErrorPage::OnInitDialog() {
  picture_.AttachItem(hwnd(), IDC_PICTURE);
  picture_.LoadFromResource(IDR_ERROR_PICTURE, L"IMAGE_BLOB3");
  BindText(IDC_CLOSE, "BUTTON_CLOSE");
  UpdateTexts();
  return TRUE;
}

void ErrorPage::SetMessage(const std::wstring& title, const std::wstring& text) {
  title_ = title;
  text_ = text;
  SetItemText(IDC_ERROR_TITLE, title_);
  SetItemText(IDC_ERROR_TEXT, text_);
}

bool ErrorPage::OnCommand(int id, int notifyCode) {
  if (id != IDC_CLOSE || notifyCode != BN_CLICKED) return false;
  if (buttonCallback_) buttonCallback_(ButtonType::Close);
  return true;
}

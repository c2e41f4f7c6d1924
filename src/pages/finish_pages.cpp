#include "pages/finish_pages.h"

namespace {

constexpr int kFinishId = 1028;

}  // namespace

BOOL FinishPageDlm::OnInitDialog() {
  picture_.AttachItem(hwnd(), 1016);
  BindText(1030, "PAGE_FINISH_TITLE");
  BindText(1033, "PAGE_FINISH_TEXT");
  BindText(kFinishId, "BUTTON_FINISH");
  BindText(1031, "LAUNCH_RADIO");
  BindText(1034, "OPEN_FOLDER_RADIO");
  UpdateTexts();
  Check(1031);
  picture_.LoadFromResource(102, L"IMAGE_BLOB2");
  return TRUE;
}

bool FinishPageDlm::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, kFinishId, ButtonType::Finish);
}

BOOL FinishPageIsv::OnInitDialog() {
  picture_.AttachItem(hwnd(), 1016);
  BindText(1030, "PAGE_FINISH_TITLE");
  BindText(1033, "PAGE_FINISH_TEXT");
  BindText(kFinishId, "BUTTON_FINISH");
  BindText(1044, "LAUNCH_CHECKBOX");
  UpdateTexts();
  Check(1044);
  picture_.LoadFromResource(102, L"IMAGE_BLOB2");
  return TRUE;
}

bool FinishPageIsv::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, kFinishId, ButtonType::Finish);
}

BOOL ErrorPage::OnInitDialog() {
  picture_.AttachItem(hwnd(), 1016);
  picture_.LoadFromResource(103, L"IMAGE_BLOB3");
  BindText(1035, "BUTTON_CLOSE");
  UpdateTexts();
  return TRUE;
}

void ErrorPage::SetMessage(const std::wstring& title, const std::wstring& text) {
  title_ = title;
  text_ = text;
  SetItemText(1036, title_);
  SetItemText(1037, text_);
}

bool ErrorPage::OnCommand(int id, int notifyCode) {
  if (id != 1035 || notifyCode != BN_CLICKED) return false;
  if (buttonCallback_) buttonCallback_(ButtonType::Close);
  return true;
}

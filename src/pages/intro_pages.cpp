#include "pages/intro_pages.h"

#include "app/win32/singletons.h"

namespace {

constexpr int kNextId = 1010;
constexpr int kBackId = 1051;

void SetLinkTarget(ui::LinkButton& link, const std::wstring& url) {
  link.SetURL(url);
  // A link without an address is not offered at all.
  if (url.empty()) ShowWindow(link.hwnd(), SW_HIDE);
}

}  // namespace

BOOL WelcomePageIsv::OnInitDialog() {
  auto settings = GetConfigurationManager();
  const bool dlm = settings->wizardType == kWizardDlm;
  picture_.AttachItem(hwnd(), 1016);
  privacyLink_.AttachItem(hwnd(), 1039);
  termsLink_.AttachItem(hwnd(), 1040);
  extraLink_.AttachItem(hwnd(), 1041);
  if (dlm) {
    picture_.SetImage(settings->logoImage);
  } else {
    picture_.LoadFromResource(101, L"IMAGE_BLOB");
  }
  BindText(1008, "PRODUCT_TITLE");
  BindText(1017, "WELCOME_TITLE");
  BindText(1018, "WELCOME_TEXT");
  BindText(kNextId, "BUTTON_NEXT");
  BindText(1039, "PRIVACY_LINK");
  BindText(1040, dlm ? "TOS_LINK" : "EULA_LINK");
  BindText(1041, "SDK_LINK");
  UpdateTexts();
  SetLinkTarget(privacyLink_, settings->privacyUrl);
  SetLinkTarget(termsLink_, settings->termsUrl);
  SetLinkTarget(extraLink_, settings->extraLinkUrl);
  return TRUE;
}

void WelcomePageIsv::UpdateTexts() {
  CallbackPage::UpdateTexts();
  privacyLink_.SizeToContent();
  termsLink_.SizeToContent();
  extraLink_.SizeToContent();
}

bool WelcomePageIsv::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, kNextId, ButtonType::Next);
}

BOOL WarningPageZQClassic::OnInitDialog() {
  // The template has no 1008: that binding stays inert.
  BindText(1008, "PRODUCT_TITLE");
  BindText(1052, "WARNING_TITLE");
  BindText(1053, "WARNING_SUBTITLE");
  BindText(1054, "WARNING_TEXT");
  BindText(kNextId, "BUTTON_NEXT");
  BindText(kBackId, "BUTTON_BACK");
  UpdateTexts();
  MakeTitleBold(1052);
  return TRUE;
}

bool WarningPageZQClassic::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, kNextId, ButtonType::Next) ||
         ReportClick(id, notifyCode, kBackId, ButtonType::Back);
}

BOOL LicensePageIsv::OnInitDialog() {
  BindText(1008, "PRODUCT_TITLE");  // not in the template: inert
  BindText(1019, "LICENSE_TITLE");
  BindText(1020, "LICENSE_TEXT");
  BindText(1050, "BUTTON_AGREE");
  BindText(kBackId, "BUTTON_BACK");
  BindText(1046, "LICENSE_EULA");
  BindText(1047, "LICENSE_DISCLAIMER");
  UpdateTexts();
  MakeTitleBold(1019);
  return TRUE;
}

bool LicensePageIsv::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, 1050, ButtonType::Next) ||
         ReportClick(id, notifyCode, kBackId, ButtonType::Back);
}

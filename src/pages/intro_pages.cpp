#include "pages/intro_pages.h"

#include "app/win32/singletons.h"

namespace {


void SetLinkTarget(ui::LinkButton& link, const std::wstring& url) {
  link.SetURL(url);
  // A link without an address is not offered at all.
  if (url.empty()) ShowWindow(link.hwnd(), SW_HIDE);
}

}  // namespace

BOOL WelcomePageIsv::OnInitDialog() {
  auto settings = GetConfigurationManager();
  const bool dlm = settings->wizardType == kWizardDlm;
  picture_.AttachItem(hwnd(), IDC_PICTURE);
  privacyLink_.AttachItem(hwnd(), IDC_PRIVACY_LINK);
  termsLink_.AttachItem(hwnd(), IDC_TERMS_LINK);
  extraLink_.AttachItem(hwnd(), IDC_SDK_LINK);
  if (dlm) {
    picture_.SetImage(settings->logoImage);
  } else {
    picture_.LoadFromResource(IDR_WELCOME_PICTURE, L"IMAGE_BLOB");
  }
  BindText(IDC_PRODUCT_TITLE, "PRODUCT_TITLE");
  BindText(IDC_WELCOME_TITLE, "WELCOME_TITLE");
  BindText(IDC_WELCOME_TEXT, "WELCOME_TEXT");
  BindText(IDC_NEXT, "BUTTON_NEXT");
  BindText(IDC_PRIVACY_LINK, "PRIVACY_LINK");
  BindText(IDC_TERMS_LINK, dlm ? "TOS_LINK" : "EULA_LINK");
  BindText(IDC_SDK_LINK, "SDK_LINK");
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
  return ReportClick(id, notifyCode, IDC_NEXT, ButtonType::Next);
}

BOOL WarningPageZQClassic::OnInitDialog() {
  // The template has no 1008: that binding stays inert.
  BindText(IDC_PRODUCT_TITLE, "PRODUCT_TITLE");
  BindText(IDC_WARNING_TITLE, "WARNING_TITLE");
  BindText(IDC_WARNING_SUBTITLE, "WARNING_SUBTITLE");
  BindText(IDC_WARNING_TEXT, "WARNING_TEXT");
  BindText(IDC_NEXT, "BUTTON_NEXT");
  BindText(IDC_BACK, "BUTTON_BACK");
  UpdateTexts();
  MakeTitleBold(IDC_WARNING_TITLE);
  return TRUE;
}

bool WarningPageZQClassic::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, IDC_NEXT, ButtonType::Next) ||
         ReportClick(id, notifyCode, IDC_BACK, ButtonType::Back);
}

BOOL LicensePageIsv::OnInitDialog() {
  BindText(IDC_PRODUCT_TITLE, "PRODUCT_TITLE");  // not in the template: inert
  BindText(IDC_LICENSE_TITLE, "LICENSE_TITLE");
  BindText(IDC_LICENSE_TEXT, "LICENSE_TEXT");
  BindText(IDC_AGREE, "BUTTON_AGREE");
  BindText(IDC_BACK, "BUTTON_BACK");
  BindText(IDC_LICENSE_EULA, "LICENSE_EULA");
  BindText(IDC_LICENSE_DISCLAIMER, "LICENSE_DISCLAIMER");
  UpdateTexts();
  MakeTitleBold(IDC_LICENSE_TITLE);
  return TRUE;
}

bool LicensePageIsv::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, IDC_AGREE, ButtonType::Next) ||
         ReportClick(id, notifyCode, IDC_BACK, ButtonType::Back);
}

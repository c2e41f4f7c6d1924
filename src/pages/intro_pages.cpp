#include "pages/intro_pages.h"

#include <richedit.h>

#include "app/win32/singletons.h"
#include "locale/page_texts.h"

BOOL WelcomePageIsv::OnInitDialog() {
  auto settings = GetConfigurationManager();
  const auto links = WelcomeLinks(*settings);
  picture_.AttachItem(hwnd(), IDC_PICTURE);
  for (size_t i = 0; i < links.size(); ++i) links_[i].AttachItem(hwnd(), links[i].controlId);
  if (settings->wizardType == kWizardDlm) {
    picture_.SetImage(settings->logoImage);
  } else {
    picture_.LoadFromResource(IDR_WELCOME_PICTURE, L"IMAGE_BLOB");
  }
  BindText(IDC_PRODUCT_TITLE, "PRODUCT_TITLE");
  BindText(IDC_WELCOME_TITLE, "WELCOME_TITLE");
  BindText(IDC_WELCOME_TEXT, "WELCOME_TEXT");
  BindText(IDC_NEXT, "BUTTON_NEXT");
  for (const WelcomeLink& link : links) BindText(link.controlId, link.key);
  UpdateTexts();
  for (size_t i = 0; i < links.size(); ++i) {
    links_[i].SetURL(links[i].url);
    // A link without an address is not offered at all.
    if (links[i].url.empty()) ShowItem(links[i].controlId, false);
  }
  return TRUE;
}

void WelcomePageIsv::UpdateTexts() {
  CallbackPage::UpdateTexts();
  for (ui::LinkButton& link : links_) link.SizeToContent();
}

bool WelcomePageIsv::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, IDC_NEXT, ButtonType::Next);
}

BOOL WarningPageZQClassic::OnInitDialog() {
  CreatePageBrush();
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
  // Addresses in the licence text are shown as links; the rich edit's own
  // link notifications are not asked for, so they open nothing.
  SendDlgItemMessageW(hwnd(), IDC_LICENSE_EULA, EM_AUTOURLDETECT, TRUE, 0);
  CreatePageBrush();
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

void LicensePageIsv::UpdateTexts() {
  LinkPage::UpdateTexts();
  // From the key's text, not read back from the control: a link control
  // may hand back its text without the markup. Without a text the
  // placeholder caption, which holds no token, stays.
  const std::wstring text = languageManager().GetText("LICENSE_DISCLAIMER");
  if (!hwnd() || text.empty()) return;
  auto settings = GetConfigurationManager();
  SetItemText(IDC_LICENSE_DISCLAIMER,
              LicenseDisclaimer(text, settings->termsUrl, settings->privacyUrl));
}

bool LicensePageIsv::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, IDC_AGREE, ButtonType::Next) ||
         ReportClick(id, notifyCode, IDC_BACK, ButtonType::Back);
}

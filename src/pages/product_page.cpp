#include "pages/product_page.h"

#include <algorithm>

#include "app/win32/singletons.h"
#include "config/package.h"
#include "events/events.h"
#include "locale/page_texts.h"
#include "platform/win32/win32_platform.h"

void ProductPage::OnNavigateToPage() {
  if (offer_) GetConfigurationManager()->shownOffers.push_back(offer_);
}

BOOL ProductPage::OnInitDialog() {
  CreatePageBrush();
  if (offer_) {
    const auto settings = GetConfigurationManager();
    const bool skipAll =
        OfferShowsSkipAll(offer_->index, settings->acceptedOfferCount, offer_->flowMaxOffers);
    if (!skipAll) ShowItem(IDC_SKIP_ALL, false);
  }
  picture_.AttachItem(hwnd(), IDC_OFFER_PICTURE);
  if (offer_) picture_.SetImage(offer_->image);
  BindText(IDC_ACCEPT, "BUTTON_ACCEPT");
  BindText(IDC_DECLINE, "BUTTON_DECLINE");
  BindText(IDC_SKIP_ALL, "BUTTON_SKIP_ALL");
  BindText(IDC_OFFER_DISCLAIMER, "PRODUCT_DISCLAIMER");
  UpdateTexts();
  return TRUE;
}

void ProductPage::UpdateTexts() {
  LinkPage::UpdateTexts();
  // From the key's text, not read back from the control: a link control
  // may hand back its text without the markup.
  const std::wstring text = languageManager().GetText("PRODUCT_DISCLAIMER");
  if (!hwnd() || !offer_ || text.empty()) return;
  SetItemText(IDC_OFFER_DISCLAIMER,
              OfferDisclaimer(text, *offer_, platform::win32::RealCodePages()));
}

void ProductPage::Decline() {
  GetConfigurationManager()->declined = true;
  if (offer_) offer_->ReportEventW(kEventDeclined, nullptr);
}

bool ProductPage::OnCommand(int id, int notifyCode) {
  if (notifyCode != BN_CLICKED) return false;
  if (id == IDC_ACCEPT && offer_) {
    // Once, however often the button is pressed before the page goes.
    auto& accepted = GetConfigurationManager()->acceptedOffers;
    if (std::find(accepted.begin(), accepted.end(), offer_) == accepted.end()) {
      accepted.push_back(offer_);
    }
  } else if (id == IDC_DECLINE || id == IDC_SKIP_ALL) {
    Decline();
  }
  return ReportClick(id, notifyCode, IDC_ACCEPT, ButtonType::Accept) ||
         ReportClick(id, notifyCode, IDC_DECLINE, ButtonType::Decline) ||
         ReportClick(id, notifyCode, IDC_SKIP_ALL, ButtonType::SkipAll);
}

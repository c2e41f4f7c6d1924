// The offer page (template 105): one offer of another publisher, with Accept,
// Decline and Skip All. One page per eligible offer.
#pragma once

#include <memory>

#include "ui/image_control.h"
#include "pages/page.h"

class Package;

class ProductPage final : public LinkPage {
 public:
  ProductPage(std::shared_ptr<LanguageManager> languageManager, std::shared_ptr<Package> offer,
              HWND parent)
      : LinkPage(std::move(languageManager), IDD_PRODUCT, parent, IDC_OFFER_DISCLAIMER, true),
        offer_(std::move(offer)) {}
  // Records the offer as shown, on every arrival.
  void OnNavigateToPage() override;
  std::wstring GetPageName() const override { return L"ProductPage"; }
  bool isOfferPage() const override { return true; }
  const std::shared_ptr<Package>& offer() const { return offer_; }
  // The texts, then the offer's name and addresses in the disclaimer: a new
  // language brings the tokens back.
  void UpdateTexts() override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;

 private:
  // Decline and Skip All: the settings remember a decline; event 4.
  void Decline();

  std::shared_ptr<Package> offer_;
  CStaticFromImage picture_;  // 1023
};

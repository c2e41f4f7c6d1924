// The offer page (template 105): one offer of another publisher, with Accept,
// Decline and Skip All. One page per eligible offer.
#pragma once

#include <memory>

#include "ui/image_control.h"
#include "pages/page.h"

class Package;

class ProductPage final : public CallbackPage {
 public:
  ProductPage(std::shared_ptr<LanguageManager> languageManager, std::shared_ptr<Package> offer,
              HWND parent)
      : CallbackPage(std::move(languageManager), IDD_PRODUCT, parent), offer_(std::move(offer)) {}
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override { return L"ProductPage"; }
  bool isOfferPage() const override { return true; }
  const std::shared_ptr<Package>& offer() const { return offer_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;

 private:
  std::shared_ptr<Package> offer_;
  CStaticFromImage picture_;  // 1023
};

#include "app/wizard_flow.h"

#include <limits>

#include "config/configuration_manager.h"
#include "config/package.h"

std::vector<PageKind> PagesAfterLoading(std::int32_t wizardType, bool brandedPages,
                                        bool optionPages, std::size_t offerCount) {
  std::vector<PageKind> pages;
  if (brandedPages && optionPages) pages.push_back(PageKind::Warning);
  pages.push_back(brandedPages ? PageKind::License : PageKind::Welcome);
  pages.insert(pages.end(), offerCount, PageKind::Offer);
  if (optionPages) {
    pages.push_back(PageKind::Options);
    pages.push_back(PageKind::Configurations);
  }
  if (wizardType == kWizardDlm) {
    pages.push_back(PageKind::DownloadDlm);
    pages.push_back(PageKind::FinishDlm);
  } else if (wizardType == kWizardIsv) {
    pages.push_back(PageKind::DownloadIsv);
    pages.push_back(PageKind::FinishIsv);
  }
  return pages;
}

bool WizardFlow::NavigateTo(size_t index) {
  if (index >= pages_.size()) return false;
  current_ = index;
  return true;
}

CloseBox WizardFlow::CloseBoxOf(size_t index) const {
  return index < pages_.size() ? pages_[index].closeBox : CloseBox::Unchanged;
}

FlowAction WizardFlow::OnButton(ButtonType button, ConfigurationManager& settings,
                                const SkippedOfferReport& report) {
  switch (button) {
    case ButtonType::Next:
      if (current_ != 0) return {FlowAction::Kind::ShowPage, current_ + 1};
      // Back on the first page after loading came here: return there,
      // without a second main product or event 1.
      if (cameBack) return {FlowAction::Kind::ShowPage, 2};
      return {FlowAction::Kind::ShowPage, 1, true};
    case ButtonType::Accept:
      return ShowAfterSkipped(settings, report);
    case ButtonType::SkipAll:
      skipAllClicked = true;
      [[fallthrough]];
    case ButtonType::Decline:
      if (offerIndex >= 0 && static_cast<size_t>(offerIndex) < offers.size() &&
          offers[offerIndex]->skipAllAfterDecline) {
        declineSkipsAll = true;
      }
      return ShowAfterSkipped(settings, report);
    case ButtonType::Back:
      cameBack = true;
      if (current_ == 2) return {FlowAction::Kind::ShowPage, 0};
      if (current_ == 0) return {};
      return {FlowAction::Kind::ShowPage, current_ - 1};
    case ButtonType::Close:  // the error page's: no question
    case ButtonType::Finish:
      return {FlowAction::Kind::EndWizard, 0};
  }
  return {};
}

FlowAction WizardFlow::ShowAfterSkipped(ConfigurationManager& settings,
                                        const SkippedOfferReport& report) {
  const size_t skipped = CountSkippedOffers(settings, report);
  return {FlowAction::Kind::ShowPage, current_ + 1 + skipped};
}

size_t WizardFlow::CountSkippedOffers(ConfigurationManager& settings,
                                      const SkippedOfferReport& report) {
  size_t count = 0;
  for (;;) {
    const size_t page = current_ + count + 1;
    if (page >= pages_.size() || !pages_[page].offerPage) return count;
    ++offerIndex;
    // More offer pages than offers cannot come from the dialog; such a page
    // is shown rather than read past the list.
    if (offerIndex < 0 || static_cast<size_t>(offerIndex) >= offers.size()) return count;
    Package& offer = *offers[offerIndex];

    bool skippedByDecline = false;
    if (!ShouldSkipRemainingOffers()) {
      if (settings.declined && offer.skipIfEarlierDeclined) {
        skippedByDecline = true;
        // A skipped offer's own limit must not cut the flow short later.
        offer.flowMaxOffers = std::numeric_limits<std::int32_t>::max();
        --settings.extraOfferAllowance;
      }
      for (int earlier = 0; earlier < offerIndex; ++earlier) {
        if (offerIndex >= offers[earlier]->flowMaxOffers) {
          offerLimitReached = true;
          break;
        }
      }
    }
    if (!ShouldSkipRemainingOffers() && !skippedByDecline) return count;

    if (offerIndex < settings.maxOffers && report) {
      const char* reason = skipAllClicked     ? kSkipAllClicked
                           : skippedByDecline ? kSkippedBecauseOfEarlierDecline
                           : offerLimitReached ? kExceededMaxOffersInFlow
                                               : kSkipAllAfterDeclineDeclined;
      report(offer, reason);
    }
    ++count;
  }
}

const char* WizardFlow::CloseQuestionKey() const {
  if (errorShown_) return nullptr;
  const size_t count = pages_.size();
  // Two pages means loading has not completed: the loading page is not the end.
  const bool ask = current_ + 1 < count || count == 2;
  if (!ask) return nullptr;
  return busy_ ? "PROGRESS_QUIT" : "MSG_EXIT";
}

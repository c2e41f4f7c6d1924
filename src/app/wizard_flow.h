// The wizard's flow state and its decisions, apart from any window: which
// page is current, what a pressed button does and whether closing asks
// first. The main dialog only carries the answers out (shows pages, menus,
// message boxes), so every decision here is testable without a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class ConfigurationManager;
class Package;

enum class ButtonType : int { Next = 0, Accept = 1, Close = 2, Decline = 3, Finish = 4, Back = 5, SkipAll = 6 };

// What showing a page does to the window's close box: a page that fetches
// and runs installers takes it away, a page that ends the wizard gives it
// back. A property of the page, declared by the page.
enum class CloseBox { Unchanged, Remove, Restore };

// What the dialog does after a button press.
struct FlowAction {
  enum class Kind { None, ShowPage, EndWizard };
  Kind kind = Kind::None;
  size_t page = 0;  // for ShowPage
  // Next on the language page, the first time: the dialog makes a new main
  // product package and reports event 1 for it before showing the page.
  bool startMainProduct = false;
};

// The reasons an offer page is jumped over, reported with event 2.
constexpr const char* kSkipAllClicked = "SKIP ALL CLICKED";
constexpr const char* kSkippedBecauseOfEarlierDecline = "SKIPPED BECAUSE OF EARLIER DECLINE";
constexpr const char* kExceededMaxOffersInFlow = "EXCEEDED MAX NUMBER OF OFFERS IN FLOW";
constexpr const char* kSkipAllAfterDeclineDeclined = "SKIP ALL AFTER DECLINE OFFER DECLINED";

// Sends event 2 with {"13": reason} for a skipped offer (the dialog's does;
// tests record).
using SkippedOfferReport = std::function<void(Package& offer, const char* reason)>;

// The pages added when loading completes, after the language and loading
// pages, in the order they are shown.
enum class PageKind {
  Warning,         // WarningPageZQClassic
  License,         // LicensePageIsv
  Welcome,         // WelcomePageIsv
  Offer,           // ProductPage, one per offer
  Options,         // OptionsPageZQClassic
  Configurations,  // ConfigurationsPageZQClassic
  DownloadDlm,
  FinishDlm,
  DownloadIsv,
  FinishIsv,
};

// By wizard type (kWizardDlm / kWizardIsv) and the two page-set flags; the
// n-th Offer entry shows offer n.
std::vector<PageKind> PagesAfterLoading(std::int32_t wizardType, bool brandedPages,
                                        bool optionPages, std::size_t offerCount);

class WizardFlow {
 public:
  // Appends a navigable page; the dialog keeps its windows in the same order.
  // An offer page shows offers[offerIndex] and may be jumped over.
  void AddPage(CloseBox closeBox, bool offerPage = false) {
    pages_.push_back({closeBox, offerPage});
  }
  size_t pageCount() const { return pages_.size(); }
  size_t currentPage() const { return current_; }
  bool CurrentPageValid() const { return current_ < pages_.size(); }

  // Makes `index` current; false (nothing changes) when there is no such page.
  bool NavigateTo(size_t index);
  // The close-box effect of the page at `index` (Unchanged when out of range).
  CloseBox CloseBoxOf(size_t index) const;

  // What `button` does; Accept, Decline and Skip All also jump over the
  // offer pages that must not be shown, reporting each through `report`.
  // Reads and changes the settings' declined flag, extra offer allowance and
  // max offers.
  FlowAction OnButton(ButtonType button, ConfigurationManager& settings,
                      const SkippedOfferReport& report);

  // How many offer pages after the current one are jumped over; advances
  // offerIndex past each one it looks at.
  size_t CountSkippedOffers(ConfigurationManager& settings, const SkippedOfferReport& report);
  bool ShouldSkipRemainingOffers() const {
    return skipAllClicked || offerLimitReached || declineSkipsAll;
  }

  // The locale key of the close question, or null when closing goes ahead
  // without one (after an error, or on the last page once loading is done).
  const char* CloseQuestionKey() const;

  void SetErrorShown() { errorShown_ = true; }
  bool errorShown() const { return errorShown_; }
  // Set while the installers run; the close question then warns about them.
  void SetBusy(bool busy) { busy_ = busy; }
  bool busy() const { return busy_; }

  // The offer sequence, handed over when loading completes.
  std::vector<std::shared_ptr<Package>> offers;
  int offerIndex = 0;
  bool cameBack = false;
  bool skipAllClicked = false;
  bool declineSkipsAll = false;
  bool offerLimitReached = false;

 private:
  struct PageEntry {
    CloseBox closeBox;
    bool offerPage;
  };
  FlowAction ShowAfterSkipped(ConfigurationManager& settings, const SkippedOfferReport& report);

  std::vector<PageEntry> pages_;
  size_t current_ = 0;
  bool errorShown_ = false;
  bool busy_ = false;
};

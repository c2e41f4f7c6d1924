#include "rules/offer_rule_engine.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "config/digests.h"
#include "config/identity.h"
#include "events/events.h"
#include "rules/registry_access.h"

const wchar_t kAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

namespace {

// Base 62 takes time quadratic in the text's length; an id longer than this
// (only a hostile answer sends one) gets no key, and so matches no entry of
// an "ab" or "aa" list.
constexpr std::size_t kMaxEncodedId = 1024;

std::optional<std::string> FlowKey(const std::string& offerId) {
  if (offerId.size() > kMaxEncodedId) return std::nullopt;
  try {
    return Base62Encode(offerId);
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
}

bool Contains(const std::vector<std::string>& list, const std::optional<std::string>& key) {
  return key && std::find(list.begin(), list.end(), *key) != list.end();
}

}  // namespace

OfferRuleEngine::OfferRuleEngine(std::int32_t maxOffers, ConfigurationManager& settings,
                                 const OfferRulePlatform& platform)
    : maxOffers_(maxOffers),
      settings_(settings),
      platform_(platform),
      wow64_(IsWow64(platform.system)) {}

bool OfferRuleEngine::CheckOffer(const std::shared_ptr<Package>& offerPointer, bool& stop,
                                 const PackageList& acceptedOffers) {
  Package& offer = *offerPointer;
  // Both figures come from the server; their sum must not wrap.
  const std::int64_t limit = static_cast<std::int64_t>(maxOffers_) + settings_.extraOfferAllowance;
  if (acceptedCount_ >= limit) {
    stop = true;
    return false;
  }
  if (RejectedByFlowLimits(offer, acceptedOffers) || RejectedByVertical(offer) ||
      RejectedByExclusive(offer) || RejectedByRegistry(offer) || RejectedByDiskSpace(offer) ||
      RejectedByRam(offer) || RejectedByCpu(offer) || RejectedByOsVersion(offer) ||
      RejectedByPlatformVersion(offer) || RejectedBy64Bit(offer) ||
      RejectedByFilesMustNotExist(offer) || RejectedByFilesAnyMustExist(offer) ||
      RejectedByRunningApps(offer) || RejectedByApplications(offer) ||
      RejectedByUninstallTimes(offer) || RejectedByChrome(offer) || RejectedByIeVersion(offer) ||
      RejectedByPartnerDate(offer)) {
    return false;
  }
  RecordAcceptance(offer);
  return true;
}

void OfferRuleEngine::ReportRejection(Package& offer, const std::string& reason) {
  // The allowance is not added here: once max offers are in, nothing more
  // is reported even while the limit is raised.
  if (acceptedCount_ >= maxOffers_) return;
  offer.ReportEvent(kEventRejected, JsonValue{{"13", reason}});
}

bool OfferRuleEngine::RejectedByFlowLimits(Package& offer, const PackageList& acceptedOffers) {
  if (acceptedCount_ > offer.flowMaxBefore) {
    ReportRejection(offer, "SHOWED " + std::to_string(acceptedCount_) + " PRODUCTS BUT ONLY " +
                               std::to_string(offer.flowMaxBefore) + " ALLOWED BEFORE");
    return true;
  }
  if (!offer.flowAllowedBefore.empty() && !acceptedIds_.empty()) {
    std::vector<std::string> notAllowed;
    for (std::size_t i = 0; i < acceptedIds_.size(); ++i) {
      if (!Contains(offer.flowAllowedBefore, acceptedIdKeys_[i])) {
        notAllowed.push_back(acceptedIds_[i]);
      }
    }
    if (!notAllowed.empty()) {
      ReportRejection(offer, "NOT ALLOWED AFTER " + JoinWithCommas(notAllowed));
      return true;
    }
  }
  // An offer that only shows in place of a skipped one lifts the "after"
  // limits of those before it.
  if (settings_.extraOfferAllowance != 0) return false;

  const std::int64_t size = static_cast<std::int64_t>(acceptedOffers.size());
  for (const std::shared_ptr<Package>& earlier : acceptedOffers) {
    const auto after = static_cast<std::uint32_t>(size - earlier->index - 1);
    const auto maxAfter = static_cast<std::uint32_t>(earlier->flowMaxAfter);
    if (maxAfter <= after) {
      ReportRejection(offer, "ONLY " + std::to_string(maxAfter) +
                                 " PRODUCTS ALLOWED TO BE SHOWN AFTER " + earlier->offerId);
      return true;
    }
  }
  const std::optional<std::string> key = FlowKey(offer.offerId);
  std::vector<std::string> refusing;
  for (const std::shared_ptr<Package>& earlier : acceptedOffers) {
    if (earlier->flowAllowedAfter.empty()) continue;
    if (!Contains(earlier->flowAllowedAfter, key)) {
      refusing.push_back(earlier->offerId);
    }
  }
  if (!refusing.empty()) {
    ReportRejection(offer, "NOT ALLOWED AFTER " + JoinWithCommas(refusing));
    return true;
  }
  return false;
}

bool OfferRuleEngine::RejectedByVertical(Package& offer) {
  const std::int32_t vertical = offer.vertical;
  if (acceptedVerticals_.count(vertical) == 0) return false;
  ReportRejection(offer, vertical == -1 ? "MULTIPLE OFFERS W/O VERTICAL"
                                        : "SAME VERTICAL OFFER ALREADY PRESENT");
  return true;
}

bool OfferRuleEngine::RejectedByExclusive(Package& offer) {
  if (!offer.exclusive || acceptedCount_ == 0) return false;
  ReportRejection(offer, "EXCLUSIVE, BUT ANOTHER OFFER ALREADY PRESENT");
  return true;
}

void OfferRuleEngine::RecordAcceptance(Package& offer) {
  ++acceptedCount_;
  acceptedVerticals_.insert(offer.vertical);
  acceptedIds_.push_back(offer.offerId);
  acceptedIdKeys_.push_back(FlowKey(offer.offerId));
  // Such an offer stands in for one the user may skip: from the second
  // accepted offer on it does not count against max offers.
  if (offer.skipIfEarlierDeclined && acceptedCount_ > 1) ++settings_.extraOfferAllowance;
}

bool OfferRuleEngine::FileExists(const std::wstring& path, bool native) {
  const platform::NativeFileView view(platform_.machine, native && wow64_);
  return platform_.files.PathExists(path);
}

bool OfferRuleEngine::ReadValueAsString(const std::wstring& rootName, const std::wstring& keyPath,
                                        const std::wstring& valueName, std::wstring& out) {
  return ReadRegistryValueAsString(platform_.registry, wow64_, subkeyCache_, rootName, keyPath,
                                   valueName, out);
}

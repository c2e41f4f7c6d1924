// The loading page's work apart from its window: the configuration request
// on a worker thread, the response applied to the settings, the offers built
// and walked through the rule engine, then the pictures fetched and the
// accepted offers handed to the wizard exactly once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "config/configuration_manager.h"
#include "config/package.h"
#include "events/event_template.h"
#include "json/json_value.h"
#include "platform/background_task.h"
#include "platform/post_target.h"
#include "rules/offer_rule_engine.h"

// The loading page's private message: the configuration request has ended.
constexpr std::uint32_t kRequestCompleteMessage = 0x0400 + 4;  // WM_USER + 4

// Offers are switched off for this channel.
constexpr wchar_t kNoOffersChannel[] = L"00xA";

struct LoadingServices {
  ConfigurationManager& settings;
  std::shared_ptr<const PackageServices> packages;
  OfferRulePlatform rules;
  // The configuration request (ApiManager::GetConfiguration); blocks.
  std::function<JsonValue()> getConfiguration;
  // A fresh analytics template for each offer.
  std::function<EventTemplate()> makeEventTemplate;
};

struct LoadedOffers {
  PackageList offers;
  // DLM: the product description is incomplete ("ct" or "cu" empty).
  bool configurationError = false;
};

// The loading task's body: request, response fields, offers through the
// rules. Throws whatever the request, the JSON parser or a malformed offer
// throws. Rejected offers go to settings.rejectedOffers, so that their
// reports do not hold the loading up.
LoadedOffers LoadOffers(const LoadingServices& services);

using LoadCompleteCallback = std::function<void(PackageList offers)>;

// Counts the pictures still on their way and calls the callback, once, when
// the last one has arrived. Completions hold it, never the page.
class PictureCountdown {
 public:
  PictureCountdown(PackageList offers, LoadCompleteCallback callback)
      : offers_(std::move(offers)), callback_(std::move(callback)) {}
  void Add(std::int32_t count);
  // One picture has arrived (or failed); the last one hands the offers over.
  void Done();
  std::int32_t pending() const;

 private:
  mutable std::mutex mutex_;
  std::int32_t pending_ = 0;
  PackageList offers_;
  LoadCompleteCallback callback_;
};

// One visit of the loading page: the task started, its result taken when
// the page gets kRequestCompleteMessage.
class OfferLoading {
 public:
  // `page` receives kRequestCompleteMessage when the task has ended.
  OfferLoading(LoadingServices services, std::shared_ptr<PostTarget> page)
      : services_(std::make_shared<LoadingServices>(std::move(services))),
        page_(std::move(page)) {}

  // Starts the task on its own thread, replacing an earlier result. The
  // thread does not hold this object: a page that goes away does not wait.
  void Start();

  // The page's kRequestCompleteMessage: false when the configuration error
  // must be shown (DLM: incomplete description or a failed task); else the
  // pictures are fetched and `callback` is called once with the offers, at
  // once or on the thread that delivers the last picture.
  bool Complete(LoadCompleteCallback callback);

 private:
  void FetchPictures(const PackageList& offers, LoadCompleteCallback callback);

  std::shared_ptr<LoadingServices> services_;
  std::shared_ptr<PostTarget> page_;
  BackgroundTask<LoadedOffers> result_;
};

#include "app/offer_loading.h"

#include <exception>
#include <string>
#include <thread>
#include <utility>

#include "install/download_manager.h"

using nlohmann::json;

namespace {

// Texts of the DLM description come through the thread's ANSI code page.
std::wstring AnsiText(platform::CodePages& codePages, const json& text) {
  std::wstring wide;
  if (!codePages.ToWide(platform::kCpThreadAcp, text.get<std::string>(), wide)) wide.clear();
  return wide;
}

// An optional member of the description: absent leaves the field empty.
std::wstring OptionalText(platform::CodePages& codePages, const json& object, const char* key) {
  const auto member = object.find(key);
  return member == object.end() ? std::wstring() : AnsiText(codePages, *member);
}

// False when the description lacks its title or source.
bool ApplyDlmDescription(ConfigurationManager& settings, platform::CodePages& codePages,
                         const json& description) {
  const std::wstring title = AnsiText(codePages, description.at("ct"));
  const std::wstring source = AnsiText(codePages, description.at("cu"));
  if (title.empty() || source.empty()) return false;
  settings.productTitle = title;
  settings.mainSourceUrl = source;
  settings.logoUrl = OptionalText(codePages, description, "cl");
  const auto fileName = description.find("cf");
  settings.mainFileName =
      fileName != description.end() ? AnsiText(codePages, *fileName) : title + L".exe";
  settings.privacyUrl = OptionalText(codePages, description, "cp");
  settings.termsUrl = OptionalText(codePages, description, "ctu");
  settings.channel = OptionalText(codePages, description, "ch");
  settings.flowCode = OptionalText(codePages, description, "cfl");
  const auto ispb = description.find("cb");
  settings.ispb = ispb != description.end() ? ispb->get<std::string>() : std::string();
  return true;
}

}  // namespace

LoadedOffers LoadOffers(const LoadingServices& services) {
  ConfigurationManager& settings = services.settings;
  const json response = services.getConfiguration();
  if (const auto country = response.find("l"); country != response.end()) {
    settings.countryCode = country->get<std::string>();
  }
  LoadedOffers loaded;
  if (settings.wizardType == kWizardDlm &&
      !ApplyDlmDescription(settings, services.packages->codePages, response.at("i"))) {
    loaded.configurationError = true;
    return loaded;
  }
  const auto flow = response.find("f");
  if (flow != response.end() && flow->is_object()) {
    if (const auto pubId = flow->find("a"); pubId != flow->end()) {
      settings.pubId = pubId->get<std::string>();
    }
  }
  const auto offers = response.find("o");
  if (offers == response.end() || settings.channel == kNoOffersChannel) return loaded;

  settings.maxOffers = response.at("f").at("m").get<std::int32_t>();
  OfferRuleEngine engine(settings.maxOffers, settings, services.rules);
  for (const json& element : *offers) {
    const auto offer = std::make_shared<Package>(
        services.packages, services.makeEventTemplate(), element, false, std::string(),
        static_cast<std::int32_t>(loaded.offers.size()));
    bool stop = false;
    if (engine.CheckOffer(offer, stop, loaded.offers)) {
      loaded.offers.push_back(offer);
      ++settings.acceptedOfferCount;
      if (offer->exclusive) break;
    } else {
      // Its rejection report may take two attempts seconds apart: kept
      // elsewhere until it ends instead of waited for here.
      settings.rejectedOffers.Keep(offer);
    }
    if (stop) break;
  }
  return loaded;
}

void PictureCountdown::Add(std::int32_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  pending_ += count;
}

void PictureCountdown::Done() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (--pending_ == 0 && callback_) callback_(offers_);
}

std::int32_t PictureCountdown::pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pending_;
}

void OfferLoading::Start() {
  auto promise = std::make_shared<std::promise<LoadedOffers>>();
  result_ = promise->get_future();
  std::thread([services = services_, page = page_, promise] {
    try {
      promise->set_value(LoadOffers(*services));
    } catch (...) {
      promise->set_exception(std::current_exception());
    }
    // After the result is stored: the page takes it when this arrives.
    page->Post(kRequestCompleteMessage);
  }).detach();
}

bool OfferLoading::Complete(LoadCompleteCallback callback) {
  if (!result_.valid()) return true;  // no task, or its result was taken
  const bool dlm = services_->settings.wizardType == kWizardDlm;
  PackageList offers;
  try {
    LoadedOffers loaded = result_.get();
    if (loaded.configurationError) return false;
    offers = std::move(loaded.offers);
  } catch (const std::exception&) {
    // DLM cannot go on without its description; ISV goes on with the main
    // product alone.
    if (dlm) return false;
  }
  FetchPictures(offers, std::move(callback));
  return true;
}

void OfferLoading::FetchPictures(const PackageList& offers, LoadCompleteCallback callback) {
  ConfigurationManager& settings = services_->settings;
  const auto countdown = std::make_shared<PictureCountdown>(offers, std::move(callback));
  countdown->Add(static_cast<std::int32_t>(offers.size()));
  DownloadManager* downloads = services_->packages->downloads;
  const bool fetchLogo =
      settings.wizardType == kWizardDlm && !settings.logoUrl.empty() && downloads;
  if (fetchLogo) {
    countdown->Add(1);
    // The completion may come after the wizard has gone: it holds the
    // countdown and the process-wide settings, never the page.
    ConfigurationManager* target = &settings;
    PictureDecoder decode = services_->packages->decodePicture;
    downloads->DownloadToMemoryAsync(
        settings.logoUrl,
        [target, decode, countdown](std::unique_ptr<DownloadManager::ByteBuffer> bytes) {
          try {
            if (bytes && !bytes->empty() && decode) {
              if (auto picture = decode(bytes->data(), bytes->size())) {
                target->logoImage = std::move(picture);
              }
            }
          } catch (...) {
            // No logo; the hand-over still comes.
          }
          countdown->Done();
        });
  }
  for (const std::shared_ptr<Package>& offer : offers) {
    offer->DownloadImage([countdown] { countdown->Done(); });
  }
  if (offers.empty() && !fetchLogo) {
    countdown->Add(1);
    countdown->Done();
  }
}

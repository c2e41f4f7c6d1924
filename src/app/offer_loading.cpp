#include "app/offer_loading.h"

#include <exception>
#include <string>
#include <utility>

#include "install/download_manager.h"

namespace {

// Texts of the DLM description come through the thread's ANSI code page.
std::wstring AnsiText(platform::CodePages& codePages, const JsonValue& text) {
  std::wstring wide;
  if (!codePages.ToWide(platform::kCpThreadAcp, text.String(), wide)) wide.clear();
  return wide;
}

// An optional member of the description: absent leaves the field empty.
std::wstring OptionalText(platform::CodePages& codePages, const JsonValue& object,
                          const char* key) {
  const JsonValue* member = object.Find(key);
  return member ? AnsiText(codePages, *member) : std::wstring();
}

// False when the description lacks its title or source.
bool ApplyDlmDescription(ConfigurationManager& settings, platform::CodePages& codePages,
                         const JsonValue& description) {
  const std::wstring title = AnsiText(codePages, description.At("ct"));
  const std::wstring source = AnsiText(codePages, description.At("cu"));
  if (title.empty() || source.empty()) return false;
  settings.productTitle = title;
  settings.mainSourceUrl = source;
  settings.logoUrl = OptionalText(codePages, description, "cl");
  const JsonValue* fileName = description.Find("cf");
  settings.mainFileName = fileName ? AnsiText(codePages, *fileName) : title + L".exe";
  settings.privacyUrl = OptionalText(codePages, description, "cp");
  settings.termsUrl = OptionalText(codePages, description, "ctu");
  settings.channel = OptionalText(codePages, description, "ch");
  settings.flowCode = OptionalText(codePages, description, "cfl");
  const JsonValue* ispb = description.Find("cb");
  settings.ispb = ispb ? ispb->String() : std::string();
  return true;
}

}  // namespace

LoadedOffers LoadOffers(const LoadingServices& services) {
  ConfigurationManager& settings = services.settings;
  const JsonValue response = services.getConfiguration();
  if (const JsonValue* country = response.Find("l")) settings.countryCode = country->String();
  LoadedOffers loaded;
  if (settings.wizardType == kWizardDlm &&
      !ApplyDlmDescription(settings, services.packages->codePages, response.At("i"))) {
    loaded.configurationError = true;
    return loaded;
  }
  if (const JsonValue* description = response.Find("i")) {
    // The main product's file, when the server names its digest: it is
    // started only if it has it.
    if (const JsonValue* digest = description->Find("sha256")) {
      settings.mainSha256 = digest->String();
      for (char& c : settings.mainSha256) {
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
      }
    }
  }
  if (const JsonValue* flow = response.Find("f")) {
    if (const JsonValue* pubId = flow->Find("a")) settings.pubId = pubId->String();
  }
  const JsonValue* offers = response.Find("o");
  if (!offers || settings.channel == kNoOffersChannel) return loaded;

  settings.maxOffers = response.At("f").At("m").ToInt32();
  OfferRuleEngine engine(settings.maxOffers, settings, services.rules);
  // The offers are the elements of an array or the values of an object (in
  // key order); null holds none, and any other value is one offer.
  std::vector<const JsonValue*> elements;
  if (offers->IsArray()) {
    for (const JsonValue& element : offers->Elements()) elements.push_back(&element);
  } else if (offers->IsObject()) {
    for (const JsonMember& member : offers->Members()) elements.push_back(&member.value);
  } else if (!offers->IsNull()) {
    elements.push_back(offers);
  }
  for (const JsonValue* element : elements) {
    const auto offer = std::make_shared<Package>(
        services.packages, services.makeEventTemplate(), *element, false, std::string(),
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
  const std::shared_ptr<LoadingServices> services = services_;
  const std::shared_ptr<PostTarget> page = page_;
  // Posted once the result is stored: the page takes it when this arrives.
  result_ = BackgroundTask<LoadedOffers>::Start([services] { return LoadOffers(*services); },
                                               [page] { page->Post(kRequestCompleteMessage); });
}

bool OfferLoading::Complete(LoadCompleteCallback callback) {
  if (!result_.valid()) return true;  // no task, or its result was taken
  const bool dlm = services_->settings.wizardType == kWizardDlm;
  PackageList offers;
  try {
    LoadedOffers loaded = result_.Take();
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

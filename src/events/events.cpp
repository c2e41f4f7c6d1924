// Package's analytics state: its payload, the detached sender threads and
// the waits for them.
#include "events/events.h"

#include <string>
#include <thread>
#include <utility>

#include "config/package.h"
#include "json/compact_json.h"

bool IsFinalEvent(std::int32_t code) {
  switch (code) {
    case kEventFailed:
    case kEventRejected:
    case kEventInstalled:
    case kEventDeclined:
    case kEventClosing: return true;
    default: return false;
  }
}

JsonValue BuildEventData(const JsonValue& payload, std::int32_t code, const JsonValue& extra) {
  JsonValue data = payload.IsObject() ? payload : JsonValue::MakeObject();
  data["6"] = std::to_string(code);
  if (extra.IsObject()) {
    for (const JsonMember& member : extra.Members()) data[member.key] = member.value;
  }
  return data;
}

std::string BuildEventBody(const JsonValue& data) {
  // Members in ascending order: "data", then "table".
  std::string body = "{\"data\":";
  body += CompactJson(JsonValue(CompactJson(data)));
  body += ",\"table\":\"zb_analytics\"}";
  return body;
}

void Package::BuildEventPayload() {
  std::lock_guard<std::mutex> lock(eventMutex);
  JsonValue payload =
      eventTemplate.payload.IsObject() ? eventTemplate.payload : JsonValue::MakeObject();
  if (isMainProduct) {
    // Copied first: adding "5" may move the members.
    JsonValue title = payload.Find("22") ? *payload.Find("22") : JsonValue("");
    payload["5"] = std::move(title);
    payload["10"] = 1;
    payload["18"] = "";
  } else {
    payload["5"] = offerId;
    payload["10"] = 2;
    payload["16"] = channel;
    // The offer's 1-based position among the accepted offers.
    payload["17"] = std::to_string(static_cast<std::int64_t>(index) + 1);
    payload["18"] = feedCode;
  }
  eventPayload = std::move(payload);
}

void Package::ReportEvent(std::int32_t code, const JsonValue& extra) {
  if (eventsClosed) return;
  {
    std::lock_guard<std::mutex> lock(eventMutex);
    ++pendingEvents;
  }
  try {
    // The thread refers to the package without owning it: the destructor
    // waits for it instead.
    std::thread([this, code, extra] { SendReport(code, extra); }).detach();
  } catch (...) {
    // No thread (or no memory for the copy): the report is dropped, and
    // nobody waits for it.
    EndReport();
  }
}

void Package::SendReport(std::int32_t code, const JsonValue& extra) {
  // Nothing may leave a detached thread: that would end the process.
  try {
    JsonValue payload;
    HeaderList headers;
    {
      std::lock_guard<std::mutex> lock(eventMutex);
      payload = eventPayload;
      headers = eventTemplate.headers;
    }
    const std::string body = BuildEventBody(BuildEventData(payload, code, extra));
    const std::wstring url = services_->settings.eventsUrl;
    for (int attempt = 0; attempt < kEventAttempts; ++attempt) {
      std::string response;
      std::uint32_t status = 0;
      // Throws on a network or TLS failure: the report is dropped at once.
      services_->eventSender.SendJson(url, body, headers, response, status);
      if (status >= 200 && status <= 399) {
        // A delivered code 1 opens the package again after a final one.
        eventsClosed = IsFinalEvent(code);
        break;
      }
      if (services_->eventPause) services_->eventPause(kEventRetryPauseMs);
    }
  } catch (...) {
  }
  EndReport();
}

void Package::EndReport() {
  std::lock_guard<std::mutex> lock(eventMutex);
  if (--pendingEvents == 0) eventsDone.notify_all();
}

void Package::WaitForEvents() {
  std::unique_lock<std::mutex> lock(eventMutex);
  eventsDone.wait(lock, [this] { return pendingEvents == 0; });
}

Package::~Package() { WaitForEvents(); }

void PendingReports::Keep(std::shared_ptr<Package> package) {
  std::vector<std::shared_ptr<Package>> finished;  // released outside the lock
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = packages_.begin(); it != packages_.end();) {
    bool done = false;
    {
      std::lock_guard<std::mutex> eventLock((*it)->eventMutex);
      done = (*it)->pendingEvents == 0;
    }
    if (done) {
      finished.push_back(std::move(*it));
      it = packages_.erase(it);
    } else {
      ++it;
    }
  }
  if (package) packages_.push_back(std::move(package));
}

void PendingReports::WaitAll() {
  std::vector<std::shared_ptr<Package>> kept;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    kept = packages_;
  }
  for (const std::shared_ptr<Package>& package : kept) package->WaitForEvents();
}

std::size_t PendingReports::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return packages_.size();
}

void ReportClosing(ConfigurationManager& settings) {
  const std::vector<std::shared_ptr<Package>> shown = settings.shownOffers;
  for (const std::shared_ptr<Package>& offer : shown) {
    if (!offer) continue;
    offer->ReportEvent(kEventClosing, nullptr);
    offer->WaitForEvents();
  }
  if (const std::shared_ptr<Package> main = settings.mainPackage) {
    main->ReportEvent(kEventClosing, nullptr);
    main->WaitForEvents();
  }
  settings.rejectedOffers.WaitAll();
}

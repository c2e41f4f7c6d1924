// Packages on the real machine: analytics reports to the reference server
// over TLS (which checks the signature and logs them decoded), a server
// answering 500 and one that cannot be reached, the partner marker in the
// real registry, and offer pictures from the file host decoded by GDI+.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "json/json_parser.h"
#include "json/json_value.h"
#include "../../shared/json_support.h"

#include "config/configuration_manager.h"
#include "config/package.h"
#include "events/events.h"
#include "install/download_manager.h"
#include "install/win32/download_platform_win32.h"
#include "platform/win32/gdiplus_session.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winhttp_api.h"
#include "ui/image_control.h"
#include "../../shared/pause_log.h"

namespace {

namespace w = platform::win32;

// GDI+ for the whole program: pictures are released before it goes.
class PictureEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    gdiplus_ = w::StartGdiplus();
    ASSERT_TRUE(gdiplus_);
  }
  void TearDown() override { gdiplus_.reset(); }

 private:
  w::GdiplusSession gdiplus_;
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new PictureEnvironment);

// One of the server's JSON-lines logs, read through Wine's Z: drive.
std::vector<JsonValue> ServerLog(const char* name) {
  const char* logs = std::getenv("VELLAM_DEVSERVER_LOGS");
  if (!logs) return {};
  std::string file = std::string("Z:") + logs + "/" + name;
  for (char& c : file) {
    if (c == '/') c = '\\';
  }
  std::ifstream in(file, std::ios::binary);
  std::vector<JsonValue> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(ParseJson(line));
  return lines;
}

// Accepted reports whose payload names this offer ("5").
std::vector<JsonValue> ReportsFor(const std::string& offerId) {
  std::vector<JsonValue> reports;
  for (const JsonValue& entry : ServerLog("events.jsonl")) {
    if (TextOr(entry["data"], "5") == offerId) reports.push_back(entry);
  }
  return reports;
}

std::size_t RefusedReports() { return ServerLog("rejected-events.jsonl").size(); }

class PackageWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("VELLAM_DEVSERVER_LOGS"), nullptr)
        << "run through tools/devserver/serve (see tests/win32/package/ctest.cmake)";
    ASSERT_NE(w::WinHttpApi(), nullptr);
    ProductConstants constants;
    constants.wizardName = L"ISV";
    constants.productId = L"PellioClassic";
    constants.publisher = L"Varnex";
    constants.productTitle = L"Pellio Classic";
    constants.configHost = L"localhost";
    settings = std::make_shared<ConfigurationManager>(
        constants, ConfigurationPlatform{w::RealFileSystem(), w::RealSystemInfo(), w::RealRegistry(),
                                         w::RealClock(), w::RealDialogs()});
    // The settings made a private folder of their own; these tests need none.
    if (!settings->workFolder.empty()) RemoveDirectoryW(settings->workFolder.c_str());
    downloads = std::make_shared<DownloadManager>(settings, Win32DownloadPlatform());
    services = MakeServices(client);
  }

  std::shared_ptr<PackageServices> MakeServices(JsonSender& sender) {
    return std::make_shared<PackageServices>(PackageServices{
        *settings, w::RealSystemInfo(), w::RealCodePages(), w::RealCrypto(), w::RealClock(),
        w::RealRegistry(), sender, [this](std::uint32_t ms) { pauses.Add(ms); }, downloads.get(),
        &DecodePicture});
  }

  std::shared_ptr<Package> Offer(const std::string& offerId, const std::string& productId) {
    JsonValue offer = {{"ad", {{"f", "feed-w"}, {"o", offerId}}},
                  {"ps", {{"i", productId}, {"dn", "Offer"}, {"u", "https://localhost/f/x"}}}};
    return std::make_shared<Package>(
        services, EventTemplate(*settings, w::RealSystemInfo(), w::RealCodePages()), offer, false, "", 0);
  }

  // Replaces the server's scenario (and restarts its attempt counts).
  void Scenario(const JsonValue& scenario) {
    std::string response;
    std::uint32_t status = 0;
    client.SendJson(L"https://localhost/_scenario", CompactJson(scenario), HeaderList(), response,
                    status);
    ASSERT_EQ(status, 200u) << response;
  }

  HttpJsonClient client{w::RealWinHttp(), w::RealSystemInfo()};
  PauseLog pauses;
  std::shared_ptr<ConfigurationManager> settings;
  std::shared_ptr<DownloadManager> downloads;
  std::shared_ptr<PackageServices> services;
};

TEST_F(PackageWin32, ReportsAreAcceptedWithTheirSignature) {
  Scenario(JsonValue::MakeObject());
  const std::string guid = settings->GetMachineGuid();
  ASSERT_FALSE(guid.empty()) << "the prefix has a machine GUID";
  const std::size_t refusedBefore = RefusedReports();

  const std::shared_ptr<Package> offer = Offer("signed-offer", "NimbusBackup");
  offer->ReportEvent(kEventRejected, {{"13", "NOT ENOUGH RAM"}});
  offer->WaitForEvents();
  EXPECT_TRUE(offer->eventsClosed);
  offer->ReportEvent(kEventClosing, nullptr);  // closed: never sent
  offer->WaitForEvents();

  const std::vector<JsonValue> reports = ReportsFor("signed-offer");
  ASSERT_EQ(reports.size(), 1u);
  const JsonValue& data = reports[0]["data"];
  EXPECT_EQ(data["1"], guid);
  EXPECT_EQ(data["2"], settings->GetSessionId());
  EXPECT_EQ(data["6"], "2");
  EXPECT_EQ(data["13"], "NOT ENOUGH RAM");
  EXPECT_EQ(data["10"], 2);
  EXPECT_EQ(data["18"], "feed-w");
  EXPECT_EQ(reports[0]["status"], 200);
  EXPECT_EQ(RefusedReports(), refusedBefore);
  EXPECT_TRUE(pauses.All().empty());
}

TEST_F(PackageWin32, TheServerRefusesABadSignature) {
  Scenario(JsonValue::MakeObject());
  const std::size_t refusedBefore = RefusedReports();
  const JsonValue data = {{"1", settings->GetMachineGuid()}, {"2", "not-this-session"}, {"5", "forged"}};
  std::string response;
  std::uint32_t status = 0;
  const HeaderList forged{{L"Authorization", L"Signature=" + std::wstring(64, L'0')}};
  client.SendJson(L"https://localhost/zbd", BuildEventBody(data), forged, response, status);
  EXPECT_EQ(status, 401u);
  EXPECT_TRUE(ReportsFor("forged").empty());
  EXPECT_EQ(RefusedReports(), refusedBefore + 1);
}

TEST_F(PackageWin32, AFailingServerGetsTwoAttemptsThenTheReportIsDropped) {
  Scenario({{"events", {{{"status", 500}}}}});
  const std::shared_ptr<Package> offer = Offer("failing-server", "NimbusBackup");
  offer->ReportEvent(kEventDeclined, nullptr);
  offer->WaitForEvents();
  Scenario(JsonValue::MakeObject());

  const std::vector<JsonValue> reports = ReportsFor("failing-server");
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0]["status"], 500);
  EXPECT_EQ(reports[1]["status"], 500);
  EXPECT_EQ(reports[0]["data"], reports[1]["data"]);
  EXPECT_EQ(pauses.All(), (std::vector<std::uint32_t>{5000, 5000}));
  EXPECT_FALSE(offer->eventsClosed) << "a final report that failed leaves the package open";

  // Delivered on the next try: the package closes.
  offer->ReportEvent(kEventClosing, nullptr);
  offer->WaitForEvents();
  EXPECT_TRUE(offer->eventsClosed);
  EXPECT_EQ(ReportsFor("failing-server").size(), 3u);
}

TEST_F(PackageWin32, AnUnreachableServerDropsTheReportAtOnce) {
  // Nothing listens on this loopback address: the connection is refused.
  settings->eventsUrl = L"https://127.0.0.2/zbd";
  const std::shared_ptr<Package> offer = Offer("unreachable", "NimbusBackup");
  offer->ReportEvent(kEventClosing, nullptr);
  offer->WaitForEvents();
  EXPECT_FALSE(offer->eventsClosed);
  EXPECT_TRUE(pauses.All().empty()) << "no second attempt after a network failure";
  EXPECT_TRUE(ReportsFor("unreachable").empty());
}

TEST_F(PackageWin32, ClosingReportsEveryShownOfferAndTheMainProduct) {
  Scenario(JsonValue::MakeObject());
  settings->shownOffers = {Offer("closing-a", "NimbusBackup"), Offer("closing-b", "QuillNotes")};
  settings->mainPackage =
      std::make_shared<Package>(services, EventTemplate(*settings, w::RealSystemInfo(), w::RealCodePages()),
                                true, 0, L"PellioClassic", L"", L"Pellio Classic", L"");
  ReportClosing(*settings);
  for (const char* id : {"closing-a", "closing-b", "Pellio Classic"}) {
    const std::vector<JsonValue> reports = ReportsFor(id);
    ASSERT_EQ(reports.size(), 1u) << id;
    EXPECT_EQ(reports[0]["data"]["6"], "5") << id;
  }
  settings->shownOffers.clear();
  settings->mainPackage.reset();
}

// HKLM keys of this test, removed before and after.
constexpr wchar_t kMarkerKey[] = L"SOFTWARE\\VellamTests\\PartnerMarker";

void RemoveTestKeys() {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VellamTests");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\VellamTests");
}

// The local date 180 days from now as yyyymmdd, through the file-time calls.
DWORD DateHalfAYearAhead() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks{{now.dwLowDateTime, now.dwHighDateTime}};
  ticks.QuadPart += 180ULL * 24 * 60 * 60 * 10000000;
  const FILETIME later{ticks.LowPart, ticks.HighPart};
  FILETIME local;
  SYSTEMTIME date;
  FileTimeToLocalFileTime(&later, &local);
  FileTimeToSystemTime(&local, &date);
  return date.wYear * 10000u + date.wMonth * 100u + date.wDay;
}

TEST_F(PackageWin32, PartnerMarkerInTheRealRegistry) {
  RemoveTestKeys();
  const std::shared_ptr<Package> offer = Offer("marker", "NimbusBackup");
  offer->partnerMarkerPath = "SOFTWARE\\VellamTests\\PartnerMarker\\shown";
  EXPECT_TRUE(offer->RecordPartnerShown());
  DWORD value = 0, type = 0, size = sizeof value;
  ASSERT_EQ(
      RegGetValueW(HKEY_LOCAL_MACHINE, kMarkerKey, L"shown", RRF_RT_ANY, &type, &value, &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, DateHalfAYearAhead());

  offer->partnerMarkerPath = "SOFTWARE\\Policies\\VellamTests\\shown";
  EXPECT_FALSE(offer->RecordPartnerShown());
  HKEY policy = nullptr;
  EXPECT_EQ(
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\VellamTests", 0, KEY_READ, &policy),
      ERROR_FILE_NOT_FOUND);
  if (policy) RegCloseKey(policy);
  RemoveTestKeys();
}

// DownloadImage until done, which must come exactly once.
void FetchPicture(Package& package) {
  auto calls = std::make_shared<std::atomic<int>>(0);
  auto finished = std::make_shared<std::promise<void>>();
  package.DownloadImage([calls, finished] {
    if (++*calls == 1) finished->set_value();
  });
  finished->get_future().wait();
  EXPECT_EQ(*calls, 1);
}

TEST_F(PackageWin32, OfferPicturesFromTheFileHost) {
  struct Case {
    const char* productId;
    unsigned width, height;  // 0: no picture
  };
  const Case cases[] = {
      {"NimbusBackup", 300, 160},
      {"QuillNotes", 300, 160},
      {"redirect/2/NimbusBackup", 300, 160},
      {"NoSuchPicture", 0, 0},
      {"generated/4096/noise.png", 0, 0},
      {"status/500/x", 0, 0},
  };
  for (const Case& c : cases) {
    const std::shared_ptr<Package> offer = Offer("picture", c.productId);
    FetchPicture(*offer);
    if (c.width == 0) {
      EXPECT_FALSE(offer->image) << c.productId;
      continue;
    }
    ASSERT_TRUE(offer->image) << c.productId;
    EXPECT_EQ(offer->image->Width(), c.width) << c.productId;
    EXPECT_EQ(offer->image->Height(), c.height) << c.productId;
  }

  const std::shared_ptr<Package> main = std::make_shared<Package>(
      services, EventTemplate(), true, 0, L"PellioClassic", L"", L"Pellio Classic", L"");
  const std::size_t requestsBefore = ServerLog("access.jsonl").size();
  FetchPicture(*main);
  EXPECT_FALSE(main->image);
  EXPECT_EQ(ServerLog("access.jsonl").size(), requestsBefore);
}

}  // namespace

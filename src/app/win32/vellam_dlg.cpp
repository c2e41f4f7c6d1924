#include "app/win32/vellam_dlg.h"

#include <new>
#include <optional>

#include "app/win32/about_dlg.h"
#include "app/win32/package_services.h"
#include "app/win32/singletons.h"
#include "app/working_folder_cleanup.h"
#include "config/package.h"
#include "events/events.h"
#include "pages/page_factory.h"
#include "platform/win32/message_boxes.h"
#include "platform/win32/win32_platform.h"
#include "resources/resource_ids.h"

namespace {

constexpr UINT kAboutCommand = 0x10;
constexpr UINT kLoadCompleteMessage = WM_USER + 3;

// Only when the current language has no text for the question.
constexpr wchar_t kQuitFallback[] = L"Are you sure you want to quit the setup?";

void DeleteWorkingFolder(const ConfigurationManager& settings) {
  CleanupWorkingFolder(settings, platform::win32::RealFileSystem());
}

}  // namespace

CVellamDlg::CVellamDlg(HWND parent) : ui::Dialog(IDD_WIZARD, parent) {
  icon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VELLAM));
}

CVellamDlg::~CVellamDlg() {
  // No decoded picture may outlive GDI+, which the application shuts down
  // after this dialog is gone.
  if (settings_) {
    settings_->logoImage.reset();
    ReleasePackagePictures(*settings_);
  }
  headerIcon_.SetImage(nullptr);
  pages_.clear();
  errorPage_.reset();
}

BOOL CVellamDlg::OnInitDialog() {
  // Until this window is destroyed, every box the logic raises is its own.
  platform::win32::SetMessageBoxOwner(hwnd());
  wchar_t aboutText[256] = {};
  if (LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUT, aboutText, 256) > 0) {
    HMENU systemMenu = GetSystemMenu(hwnd(), FALSE);
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, kAboutCommand, aboutText);
  }
  headerIcon_.AttachItem(hwnd(), IDC_HEADER_ICON);
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  if (!ClaimSingleInstance()) {
    MessageBoxW(hwnd(), L"Another setup is already running, please close it and try again",
                L"Error", MB_ICONSTOP | MB_SYSTEMMODAL);
    EndDialog(1);
    return FALSE;
  }

  // Only now: the settings object creates the working folder.
  settings_ = GetConfigurationManager();
  languageManager_ = std::make_shared<LanguageManager>(
      *settings_, LanguagePlatform{platform::win32::RealModuleResources(),
                                   platform::win32::RealLocaleInfo(), platform::win32::RealDialogs()});
  SetBackgroundColour(settings_->pageColour);

  auto& settings = settings_;
  std::wstring caption;
  if (settings->wizardType == kWizardDlm) {
    caption = std::wstring() + L"Setup";
  } else if (settings->wizardType == kWizardIsv) {
    caption = settings->productTitle + L" ";
  } else {
    platform::win32::RealDialogs().ShowMessage(L"Invalid wizard type", L"",
                                                platform::kMbIconStop | platform::kMbSystemModal);
    EndDialog(1);
    return FALSE;
  }
  SetWindowTextW(hwnd(), caption.c_str());

  barBrush_.reset(CreateSolidBrush(settings->barColour));
  SetItemText(IDC_PRODUCT_TITLE, settings->productTitle);
  CreateInitialPages();
  if (settings->wizardType == kWizardIsv) {
    ShowItem(IDC_HEADER_ICON, false);
    ShowItem(IDC_HEADER_LINE, false);
  }
  // The DLM wizard shows the title again once loading completes.
  ShowItem(IDC_PRODUCT_TITLE, false);
  return TRUE;
}

bool CVellamDlg::ClaimSingleInstance() {
  // The "ISV" part is fixed: both wizard types share one mutex.
  const std::wstring name = std::wstring(L"Global\\Vellam") + L"ISV" + L"SingleInstanceMutex";
  platform::win32::ScopedHandle mutex(CreateMutexW(nullptr, TRUE, name.c_str()));
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) return false;
  instanceMutex_ = std::move(mutex);
  return true;
}

RECT CVellamDlg::PageRectangle() const {
  RECT area{};
  GetWindowRect(Item(IDC_PAGE_AREA), &area);
  MapWindowPoints(HWND_DESKTOP, hwnd(), reinterpret_cast<POINT*>(&area), 2);
  return area;
}

bool CVellamDlg::CreateInitialPages() {
  const RECT area = PageRectangle();
  auto languagePage = settings_->brandedPages
                          ? MakePage<LanguagePageZQ, IPage>(languageManager_, hwnd())
                          : MakePage<LanguagePage, IPage>(languageManager_, hwnd());
  if (languagePage) CreateAndAddPage(std::move(languagePage), area);

  flow_.NavigateTo(0);
  if (pages_.empty()) return false;
  pages_[0]->ShowWindow(SW_SHOW);
  SetFocus(pages_[0]->hwnd());
  return true;
}

void CVellamDlg::CreateDeferredPages() {
  if (deferredPagesCreated_ || !languageManager_) return;
  deferredPagesCreated_ = true;
  const RECT area = PageRectangle();
  // Creating a page moves the focus into it; a page made later must leave it
  // where it was.
  HWND focus = GetFocus();
  errorPage_ = MakePage<ErrorPage>(languageManager_, hwnd());
  if (errorPage_) CreatePage(*errorPage_, area);
  auto loadingPage = std::make_unique<LoadingPage>(languageManager_, hwnd());
  loadedOffers_ = std::make_shared<PostedValue<PackageList>>(postTarget(), kLoadCompleteMessage);
  // May run on a picture thread: it only stores the list and posts.
  loadingPage->SetLoadCompleteCallback(
      [box = loadedOffers_](PackageList offers) { box->Deliver(std::move(offers)); });
  CreateAndAddPage(std::move(loadingPage), area);
  if (focus && IsWindow(focus)) SetFocus(focus);
}

void CVellamDlg::CreatePage(IPage& page, const RECT& rectangle) {
  page.Create(hwnd());
  page.SetBackgroundColour(settings_->pageColour);
  page.SetButtonCallback([this](ButtonType button) { OnButtonPressed(button); });
  page.ShowWindow(SW_HIDE);
  SetWindowPos(page.hwnd(), nullptr, rectangle.left, rectangle.top,
               rectangle.right - rectangle.left, rectangle.bottom - rectangle.top,
               SWP_NOZORDER);
}

void CVellamDlg::CreateAndAddPage(std::unique_ptr<IPage> page, const RECT& rectangle) {
  CreatePage(*page, rectangle);
  page->SetErrorCallback([this](const std::wstring& title, const std::wstring& text) {
    ShowErrorPage(title, text);
  });
  flow_.AddPage(page->closeBox(), page->isOfferPage());
  pages_.push_back(std::move(page));
}

void CVellamDlg::NavigateToPage(size_t index) {
  CreateDeferredPages();
  const size_t previous = flow_.currentPage();
  const bool hadPage = flow_.CurrentPageValid();
  if (!flow_.NavigateTo(index)) return;
  IPage& page = *pages_[index];
  page.ShowWindow(SW_SHOW);
  SetFocus(page.hwnd());
  if (hadPage && previous != index) pages_[previous]->ShowWindow(SW_HIDE);
  page.OnNavigateToPage();

  switch (flow_.CloseBoxOf(index)) {
    case CloseBox::Remove:  // also disables the close box
      DeleteMenu(GetSystemMenu(hwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND);
      break;
    case CloseBox::Restore:
      AppendCloseToSystemMenu();
      break;
    case CloseBox::Unchanged:
      break;
  }
  OutputDebugStringW((page.GetPageName() + L"\n").c_str());
}

void CVellamDlg::ShowErrorPage(const std::wstring& title, const std::wstring& text) {
  CreateDeferredPages();
  if (flow_.CurrentPageValid()) pages_[flow_.currentPage()]->ShowWindow(SW_HIDE);
  if (!errorPage_) return;
  errorPage_->SetMessage(title, text);
  errorPage_->ShowWindow(SW_SHOW);
  SetFocus(errorPage_->hwnd());
  flow_.SetErrorShown();
  AppendCloseToSystemMenu();
}

void CVellamDlg::AppendCloseToSystemMenu() {
  // A second error or finish must not add a second entry.
  if (SystemMenuHasClose()) return;
  AppendMenuW(GetSystemMenu(hwnd(), FALSE), MF_STRING, SC_CLOSE, L"Close");
}

bool CVellamDlg::SystemMenuHasClose() const {
  return GetMenuState(GetSystemMenu(hwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND) !=
         static_cast<UINT>(-1);
}

void CVellamDlg::OnButtonPressed(ButtonType button) {
  const FlowAction action =
      flow_.OnButton(button, *settings_, [](Package& offer, const char* reason) {
        offer.ReportEventW(2, JsonValue{{"13", reason}});
      });
  switch (action.kind) {
    case FlowAction::Kind::ShowPage:
      if (action.startMainProduct) StartMainProduct();
      NavigateToPage(action.page);
      break;
    case FlowAction::Kind::EndWizard:
      // No question, but nothing left behind either: rejection reports
      // still under way end first.
      settings_->rejectedOffers.WaitAll();
      DeleteWorkingFolder(*settings_);
      EndDialog(1);
      break;
    case FlowAction::Kind::None:
      break;
  }
}

void CVellamDlg::StartMainProduct() {
  ConfigurationManager& settings = *settings_;
  const bool isv = settings.wizardType == kWizardIsv;
  const std::wstring none;
  const EventTemplate eventTemplate(settings, platform::win32::RealSystemInfo(),
                                    platform::win32::RealCodePages());
  settings.mainPackage = std::make_shared<Package>(
      GetPackageServices(), eventTemplate, true, 0, isv ? settings.productId : none,
      isv ? settings.flowCode : none, isv ? settings.productTitle : none,
      isv ? settings.channel : none);
  settings.mainPackage->ReportEventW(kEventFirstPage, nullptr);
}

void CVellamDlg::OnLoadCompleteMessage() {
  std::optional<PackageList> loaded = loadedOffers_ ? loadedOffers_->Take() : std::nullopt;
  // Only once: the pages after loading exist from then on.
  if (!loaded || flow_.pageCount() != 2) return;
  flow_.offers = std::move(*loaded);
  ConfigurationManager& settings = *settings_;
  const bool dlm = settings.wizardType == kWizardDlm;
  // The response may have changed the texts' values (the title among them).
  languageManager_->SetLanguage(settings.languageName);
  if (dlm) {
    headerIcon_.SetImage(settings.logoImage);
    ShowItem(IDC_HEADER_ICON, true);
    SetItemText(IDC_PRODUCT_TITLE, settings.productTitle);
    SetWindowTextW(hwnd(), (settings.productTitle + L" Setup").c_str());
    ShowItem(IDC_PRODUCT_TITLE, true);
  }
  if (settings.mainPackage) {
    settings.mainPackage->InitMainProduct(
        EventTemplate(settings, platform::win32::RealSystemInfo(),
                      platform::win32::RealCodePages()),
        dlm ? settings.productTitle : settings.productId, settings.flowCode,
        settings.productTitle, settings.channel);
    settings.mainPackage->sha256 = settings.mainSha256;
  }

  const RECT area = PageRectangle();
  size_t offer = 0;
  for (const PageKind kind : PagesAfterLoading(settings.wizardType, settings.brandedPages,
                                               settings.optionPages, flow_.offers.size())) {
    std::unique_ptr<IPage> page;
    const SharedLanguageManager& texts = languageManager_;
    switch (kind) {
      case PageKind::Warning:
        page = MakePage<WarningPageZQClassic, IPage>(texts, hwnd());
        break;
      case PageKind::License:
        page = MakePage<LicensePageIsv, IPage>(texts, hwnd());
        break;
      case PageKind::Welcome:
        page = MakePage<WelcomePageIsv, IPage>(texts, hwnd());
        break;
      case PageKind::Offer:
        page.reset(new (std::nothrow) ProductPage(texts, flow_.offers[offer++], hwnd()));
        break;
      case PageKind::Options:
        page = MakePage<OptionsPageZQClassic, IPage>(texts, hwnd());
        break;
      case PageKind::Configurations:
        page = MakePage<ConfigurationsPageZQClassic, IPage>(texts, hwnd());
        break;
      case PageKind::DownloadDlm:
        page = MakePage<DownloadPageDlm, IPage>(texts, hwnd());
        break;
      case PageKind::FinishDlm:
        page = MakePage<FinishPageDlm, IPage>(texts, hwnd());
        break;
      case PageKind::DownloadIsv: {
        auto download = MakePage<DownloadPageIsv>(texts, hwnd());
        if (download) {
          // The installers run: closing now warns about them.
          download->SetInstallNotifications([this] { flow_.SetBusy(true); },
                                            [this] { flow_.SetBusy(false); });
        }
        page = std::move(download);
        break;
      }
      case PageKind::FinishIsv:
        page = MakePage<FinishPageIsv, IPage>(texts, hwnd());
        break;
    }
    if (page) CreateAndAddPage(std::move(page), area);
  }
  OnButtonPressed(ButtonType::Next);
}

bool CVellamDlg::OnCommand(int id, int notifyCode) {
  if (id == IDC_SHOW_ERROR && notifyCode == BN_CLICKED) {
    ShowErrorPage(L"Error", L"Error message");
    return true;
  }
  return false;
}

void CVellamDlg::OnCancel() {
  // While a download page has taken the close box away, Escape cannot end
  // the wizard either.
  if (SystemMenuHasClose()) OnClose();
}

void CVellamDlg::OnClose() {
  if (!settings_) {  // initialisation ended the dialog before any page existed
    EndDialog(IDCANCEL);
    return;
  }
  CreateDeferredPages();  // the question counts the loading page
  if (const char* key = flow_.CloseQuestionKey()) {
    std::wstring question = languageManager_->GetText(key);
    if (question.empty()) question = kQuitFallback;
    if (MessageBoxW(hwnd(), question.c_str(), L"", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
  }
  instanceMutex_.reset();
  ShowWindow(SW_HIDE);
  settings_->closing = true;
  GetDownloadManager()->stopRequested = true;
  // Waits for every package's reports (the window is hidden meanwhile).
  ReportClosing(*settings_);
  DeleteWorkingFolder(*settings_);
  // The framework's own close handling would come back through OnCancel.
  EndDialog(IDCANCEL);
}

HBRUSH CVellamDlg::OnCtlColor(HDC dc, HWND control, UINT kind) {
  if (GetDlgCtrlID(control) == IDC_BOTTOM_BAR) {
    SetBkMode(dc, TRANSPARENT);
    return barBrush_.get();
  }
  return ui::Dialog::OnCtlColor(dc, control, kind);
}

bool CVellamDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  result = 0;
  switch (message) {
    case WM_DESTROY:
      platform::win32::ClearMessageBoxOwner(hwnd());
      return false;
    case WM_SYSCOMMAND:
      return OnSysCommand(wParam);
    case WM_PAINT:
      return OnPaint();
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<LRESULT>(icon_);
      return true;
    case kLoadCompleteMessage:
      OnLoadCompleteMessage();
      return true;
    default:
      return false;
  }
}

bool CVellamDlg::OnSysCommand(WPARAM command) {
  if ((command & 0xFFF0) != kAboutCommand) return false;
  CAboutDlg about(hwnd());
  about.DoModal();
  return true;
}

bool CVellamDlg::OnPaint() {
  if (!IsIconic(hwnd())) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd(), &paint);
  SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(hwnd(), &client);
  const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, icon_);
  EndPaint(hwnd(), &paint);
  return true;
}

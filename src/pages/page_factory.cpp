#include "pages/page_factory.h"

#include <new>

namespace {

template <typename Page, typename Result = IPage>
std::unique_ptr<Result> Make(const SharedLanguageManager& languageManager, HWND parent) {
  return std::unique_ptr<Result>(new (std::nothrow) Page(languageManager, parent));
}

}  // namespace

std::unique_ptr<ErrorPage> MakeErrorPage(const SharedLanguageManager& languageManager, HWND parent) {
  return Make<ErrorPage, ErrorPage>(languageManager, parent);
}
std::unique_ptr<IPage> MakeLanguagePageZQ(const SharedLanguageManager& languageManager, HWND parent) {
  return Make<LanguagePageZQ>(languageManager, parent);
}
std::unique_ptr<IPage> MakeLanguagePage(const SharedLanguageManager& languageManager, HWND parent) {
  return Make<LanguagePage>(languageManager, parent);
}
std::unique_ptr<IPage> MakeWarningPage(const SharedLanguageManager& languageManager, HWND parent) {
  return Make<WarningPageZQClassic>(languageManager, parent);
}
std::unique_ptr<IPage> MakeLicensePage(const SharedLanguageManager& languageManager, HWND parent) {
  return Make<LicensePageIsv>(languageManager, parent);
}
std::unique_ptr<IPage> MakeWelcomePage(const SharedLanguageManager& languageManager, HWND parent) {
  return Make<WelcomePageIsv>(languageManager, parent);
}
std::unique_ptr<IPage> MakeOptionsPage(const SharedLanguageManager& languageManager, HWND parent) {
  return Make<OptionsPageZQClassic>(languageManager, parent);
}
std::unique_ptr<IPage> MakeDownloadPageDlm(const SharedLanguageManager& languageManager, HWND parent) {
  return Make<DownloadPageDlm>(languageManager, parent);
}
std::unique_ptr<IPage> MakeFinishPageDlm(const SharedLanguageManager& languageManager, HWND parent) {
  return Make<FinishPageDlm>(languageManager, parent);
}
std::unique_ptr<IPage> MakeFinishPageIsv(const SharedLanguageManager& languageManager, HWND parent) {
  return Make<FinishPageIsv>(languageManager, parent);
}

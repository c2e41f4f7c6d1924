// Page factory functions used by the main dialog. Each returns a new page
// that shares the language manager, or nothing when it cannot be allocated.
#pragma once

#include <memory>

#include "pages/download_pages.h"
#include "pages/finish_pages.h"
#include "pages/intro_pages.h"
#include "pages/language_pages.h"
#include "pages/loading_page.h"
#include "pages/options_pages.h"
#include "pages/product_page.h"

using SharedLanguageManager = std::shared_ptr<LanguageManager>;

std::unique_ptr<ErrorPage> MakeErrorPage(const SharedLanguageManager& languageManager, HWND parent);
std::unique_ptr<IPage> MakeLanguagePageZQ(const SharedLanguageManager& languageManager, HWND parent);
std::unique_ptr<IPage> MakeLanguagePage(const SharedLanguageManager& languageManager, HWND parent);
std::unique_ptr<IPage> MakeWarningPage(const SharedLanguageManager& languageManager, HWND parent);
std::unique_ptr<IPage> MakeLicensePage(const SharedLanguageManager& languageManager, HWND parent);
std::unique_ptr<IPage> MakeWelcomePage(const SharedLanguageManager& languageManager, HWND parent);
std::unique_ptr<IPage> MakeOptionsPage(const SharedLanguageManager& languageManager, HWND parent);
std::unique_ptr<IPage> MakeDownloadPageDlm(const SharedLanguageManager& languageManager, HWND parent);
std::unique_ptr<IPage> MakeFinishPageDlm(const SharedLanguageManager& languageManager, HWND parent);
std::unique_ptr<IPage> MakeFinishPageIsv(const SharedLanguageManager& languageManager, HWND parent);

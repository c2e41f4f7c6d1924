// The one page factory: a new page that shares the language manager, or
// nothing when it cannot be allocated.
#pragma once

#include <memory>
#include <new>

#include "pages/download_pages.h"
#include "pages/finish_pages.h"
#include "pages/intro_pages.h"
#include "pages/language_pages.h"
#include "pages/loading_page.h"
#include "pages/options_pages.h"
#include "pages/product_page.h"

using SharedLanguageManager = std::shared_ptr<LanguageManager>;

// `Page` made with the shared language manager, as `Result` (a base such as
// IPage when the caller keeps a list of pages).
template <typename Page, typename Result = Page>
std::unique_ptr<Result> MakePage(const SharedLanguageManager& languageManager, HWND parent) {
  return std::unique_ptr<Result>(new (std::nothrow) Page(languageManager, parent));
}

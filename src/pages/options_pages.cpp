#include "pages/options_pages.h"

#include "app/win32/singletons.h"
#include "config/option_checks.h"

namespace {

template <std::size_t N>
void CheckAll(HWND page, const std::array<OptionBox, N>& boxes) {
  for (const OptionBox& box : boxes) CheckDlgButton(page, box.controlId, BST_CHECKED);
}

template <std::size_t N>
void Store(HWND page, const std::array<OptionBox, N>& boxes) {
  StoreOptionChecks(GetConfigurationManager()->optionChecks, boxes,
                    [page](int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; });
}

}  // namespace

BOOL OptionsPageZQClassic::OnInitDialog() {
  CheckAll(hwnd(), kOptionsPageBoxes);
  BindText(IDC_OPTIONS_TITLE, "OPTIONS_TITLE");
  BindText(IDC_OPTIONS_CHECK_1, "OPTIONS_CHECK_1");
  BindText(IDC_OPTIONS_CHECK_2, "OPTIONS_CHECK_2");
  BindText(IDC_OPTIONS_CHECK_3, "OPTIONS_CHECK_3");
  BindText(IDC_NEXT, "BUTTON_NEXT");
  UpdateTexts();
  MakeTitleBold(IDC_OPTIONS_TITLE);
  return TRUE;
}

bool OptionsPageZQClassic::OnCommand(int id, int notifyCode) {
  if (id == IDC_NEXT && notifyCode == BN_CLICKED) Store(hwnd(), kOptionsPageBoxes);
  return ReportClick(id, notifyCode, IDC_NEXT, ButtonType::Next);
}

BOOL ConfigurationsPageZQClassic::OnInitDialog() {
  CheckAll(hwnd(), kConfigurationsPageBoxes);
  BindText(IDC_CONFIGURATIONS_TITLE, "CONFIGURATIONS_TITLE");
  BindText(IDC_CONFIGURATIONS_SUBTITLE_1, "CONFIGURATIONS_SUBTITLE_1");
  BindText(IDC_CONFIGURATIONS_TEXT_1, "CONFIGURATIONS_TEXT_1");
  BindText(IDC_CONFIGURATIONS_CHECK_1_TEXT, "CONFIGURATIONS_CHECK_1");
  BindText(IDC_CONFIGURATIONS_CHECK_2, "CONFIGURATIONS_CHECK_2");
  BindText(IDC_CONFIGURATIONS_SUBTITLE_2, "CONFIGURATIONS_SUBTITLE_2");
  BindText(IDC_CONFIGURATIONS_TEXT_2, "CONFIGURATIONS_TEXT_2");
  BindText(IDC_CONFIGURATIONS_CHECK_3, "CONFIGURATIONS_CHECK_3");
  BindText(IDC_CONFIGURATIONS_CHECK_4, "CONFIGURATIONS_CHECK_4");
  BindText(IDC_CONFIGURATIONS_CHECK_5, "CONFIGURATIONS_CHECK_5");
  BindText(IDC_NEXT, "BUTTON_NEXT");
  BindText(IDC_BACK, "BUTTON_BACK");
  UpdateTexts();
  MakeTitleBold(IDC_CONFIGURATIONS_TITLE);
  return TRUE;
}

bool ConfigurationsPageZQClassic::OnCommand(int id, int notifyCode) {
  if (id == IDC_NEXT && notifyCode == BN_CLICKED) Store(hwnd(), kConfigurationsPageBoxes);
  return ReportClick(id, notifyCode, IDC_NEXT, ButtonType::Next) ||
         ReportClick(id, notifyCode, IDC_BACK, ButtonType::Back);
}

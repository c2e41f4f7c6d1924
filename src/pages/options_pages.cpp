#include "pages/options_pages.h"

namespace {


}  // namespace

BOOL OptionsPageZQClassic::OnInitDialog() {
  for (int id : {IDC_OPTIONS_CHECK_1, IDC_OPTIONS_CHECK_2, IDC_OPTIONS_CHECK_3}) Check(id);
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
  return ReportClick(id, notifyCode, IDC_NEXT, ButtonType::Next);
}

BOOL ConfigurationsPageZQClassic::OnInitDialog() {
  for (int id : {IDC_CONFIGURATIONS_CHECK_1, IDC_CONFIGURATIONS_CHECK_2, IDC_CONFIGURATIONS_CHECK_3, IDC_CONFIGURATIONS_CHECK_4, IDC_CONFIGURATIONS_CHECK_5}) Check(id);
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
  return ReportClick(id, notifyCode, IDC_NEXT, ButtonType::Next) ||
         ReportClick(id, notifyCode, IDC_BACK, ButtonType::Back);
}

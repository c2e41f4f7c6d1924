#include "pages/options_pages.h"

namespace {

constexpr int kNextId = 1010;
constexpr int kBackId = 1051;

}  // namespace

BOOL OptionsPageZQClassic::OnInitDialog() {
  for (int id : {1056, 1057, 1058}) Check(id);
  BindText(1055, "OPTIONS_TITLE");
  BindText(1056, "OPTIONS_CHECK_1");
  BindText(1057, "OPTIONS_CHECK_2");
  BindText(1058, "OPTIONS_CHECK_3");
  BindText(kNextId, "BUTTON_NEXT");
  UpdateTexts();
  MakeTitleBold(1055);
  return TRUE;
}

bool OptionsPageZQClassic::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, kNextId, ButtonType::Next);
}

BOOL ConfigurationsPageZQClassic::OnInitDialog() {
  for (int id : {1069, 1063, 1066, 1067, 1068}) Check(id);
  BindText(1059, "CONFIGURATIONS_TITLE");
  BindText(1060, "CONFIGURATIONS_SUBTITLE_1");
  BindText(1061, "CONFIGURATIONS_TEXT_1");
  BindText(1062, "CONFIGURATIONS_CHECK_1");
  BindText(1063, "CONFIGURATIONS_CHECK_2");
  BindText(1064, "CONFIGURATIONS_SUBTITLE_2");
  BindText(1065, "CONFIGURATIONS_TEXT_2");
  BindText(1066, "CONFIGURATIONS_CHECK_3");
  BindText(1067, "CONFIGURATIONS_CHECK_4");
  BindText(1068, "CONFIGURATIONS_CHECK_5");
  BindText(kNextId, "BUTTON_NEXT");
  BindText(kBackId, "BUTTON_BACK");
  UpdateTexts();
  MakeTitleBold(1059);
  return TRUE;
}

bool ConfigurationsPageZQClassic::OnCommand(int id, int notifyCode) {
  return ReportClick(id, notifyCode, kNextId, ButtonType::Next) ||
         ReportClick(id, notifyCode, kBackId, ButtonType::Back);
}

// Every page template, created from this program's own resources: the
// catalogue's control ids, kinds, rectangles and placeholder captions.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages_support.h"

namespace {

enum class Kind {
  Text,          // static, left-aligned text
  CentredText,   // static, centred text
  EtchedFrame,   // static separator
  Bar,           // 1002: static without text, tab stop
  Image,         // picture static
  HiddenFrame,   // static frame, not visible
  PushButton,    // push button (default or not)
  DefaultButton, // default push button
  CheckBox,      // automatic check box
  RadioButton,   // automatic radio button
  LinkButton,    // owner-drawn link button
  DropDownList,  // combo box, drop-down list
  Progress,      // progress bar
  SysLink,       // link control
  RichEdit,      // rich edit, multi-line, read-only, scroll bar, border
};

struct ControlSpec {
  int id;
  Kind kind;
  RECT dlu;  // x, y, w, h in dialog units (converted below)
  const wchar_t* caption;  // nullptr: not checked
};

struct TemplateSpec {
  int id;
  std::vector<ControlSpec> controls;
};

constexpr RECT Dlu(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
const RECT kRight = Dlu(260, 203, 71, 22);
const RECT kLeft = Dlu(5, 203, 71, 22);
const RECT kMiddle = Dlu(79, 203, 71, 22);

std::vector<TemplateSpec> Catalogue() {
  return {
      {9,
       {{1000, Kind::DropDownList, Dlu(111, 90, 115, 30), nullptr},
        {1011, Kind::CentredText, Dlu(28, 33, 280, 52), L"SPLASH_TEXT placeholder"},
        {1010, Kind::DefaultButton, kRight, L"NEXT placeholder"}}},
      {10,
       {{1000, Kind::DropDownList, Dlu(111, 90, 115, 30), nullptr},
        {1013, Kind::Text, Dlu(28, 13, 220, 32), L"SPLASH_TITLE_ZQ placeholder"},
        {1012, Kind::Text, Dlu(28, 33, 265, 102), L"SPLASH_TEXT_ZQ placeholder"},
        {1010, Kind::DefaultButton, kRight, L"NEXT placeholder"}}},
      {102,
       {{1015, Kind::HiddenFrame, Dlu(123, 54, 90, 90), nullptr},
        {1043, Kind::Progress, Dlu(12, 93, 313, 12), nullptr}}},
      {104,
       {{1016, Kind::Image, Dlu(148, 35, 40, 40), L""},
        {1017, Kind::CentredText, Dlu(113, 89, 111, 8), L"WELCOME_TITLE placeholder"},
        {1008, Kind::CentredText, Dlu(74, 101, 188, 23), L"PRODUCT_TITLE placeholder"},
        {1018, Kind::CentredText, Dlu(75, 129, 189, 29), L"WELCOME_TEXT placeholder"},
        {1010, Kind::PushButton, kRight, L"NEXT placeholder"},
        {1039, Kind::LinkButton, Dlu(5, 165, 72, 9), L"PRIVACY_LINK placeholder"},
        {1040, Kind::LinkButton, Dlu(5, 175, 72, 9), L"EULA_LINK placeholder"},
        {1041, Kind::LinkButton, Dlu(5, 185, 72, 9), L"SDK_LINK placeholder"}}},
      {105,
       {{1023, Kind::Image, Dlu(12, 5, 312, 160), L""},
        {1042, Kind::SysLink, Dlu(5, 172, 326, 26), L"PRODUCT_DISCLAIMER placeholder"},
        {1021, Kind::PushButton, kRight, L"ACCEPT placeholder"},
        {1022, Kind::PushButton, kLeft, L"DECLINE placeholder"},
        {1048, Kind::PushButton, kMiddle, L"SKIP_ALL placeholder"}}},
      {106,
       {{1016, Kind::Image, Dlu(158, 33, 20, 20), L""},
        {1025, Kind::CentredText, Dlu(56, 77, 224, 8), L"PROGRESS_TITLE placeholder"},
        {1026, Kind::CentredText, Dlu(56, 97, 224, 51), L"PROGRESS_DESC placeholder"},
        {1043, Kind::Progress, Dlu(12, 208, 313, 12), nullptr}}},
      {107,
       {{1016, Kind::Image, Dlu(153, 33, 30, 30), L""},
        {1030, Kind::CentredText, Dlu(69, 71, 198, 22), L"PAGE_FINISH_TITLE placeholder"},
        {1033, Kind::CentredText, Dlu(71, 100, 194, 23), L"PAGE_FINISH_TEXT placeholder"},
        {1044, Kind::CheckBox, Dlu(118, 124, 142, 10), L"LAUNCH_CHECKBOX placeholder"},
        {1028, Kind::PushButton, kRight, L"FINISH placeholder"}}},
      {108,
       {{1016, Kind::Image, Dlu(153, 33, 30, 30), L""},
        {1036, Kind::CentredText, Dlu(95, 75, 147, 19), nullptr},
        {1037, Kind::CentredText, Dlu(64, 87, 208, 26), nullptr},
        {1035, Kind::PushButton, kRight, L"CLOSE placeholder"}}},
      {110,
       {{1016, Kind::Image, Dlu(158, 33, 20, 20), L""},
        {1025, Kind::CentredText, Dlu(56, 77, 224, 8), L"PROGRESS_TITLE placeholder"},
        {1026, Kind::CentredText, Dlu(56, 97, 224, 51), L"PROGRESS_DESC placeholder"},
        {1043, Kind::Progress, Dlu(12, 208, 313, 12), nullptr}}},
      {111,
       {{1016, Kind::Image, Dlu(153, 33, 30, 30), L""},
        {1030, Kind::CentredText, Dlu(69, 71, 198, 22), L"PAGE_FINISH_TITLE placeholder"},
        {1033, Kind::CentredText, Dlu(71, 100, 194, 30), L"PAGE_FINISH_TEXT placeholder"},
        {1031, Kind::RadioButton, Dlu(112, 135, 64, 10), L"LAUNCH_RADIO placeholder"},
        {1034, Kind::RadioButton, Dlu(183, 135, 81, 10), L"OPEN_FOLDER_RADIO placeholder"},
        {1028, Kind::PushButton, kRight, L"FINISH placeholder"}}},
      {112,
       {{1019, Kind::Text, Dlu(28, 3, 220, 32), L"LICENSE_TITLE placeholder"},
        {1020, Kind::Text, Dlu(28, 23, 270, 102), L"LICENSE_TEXT placeholder"},
        {1046, Kind::RichEdit, Dlu(28, 43, 280, 100), nullptr},
        {1047, Kind::SysLink, Dlu(28, 153, 270, 32), L"LICENSE_DISCLAIMER placeholder"},
        {1050, Kind::PushButton, kRight, L"I Agree"},
        {1051, Kind::PushButton, kLeft, L"Back"}}},
      {113,
       {{1052, Kind::Text, Dlu(28, 3, 220, 32), L"WARNING_TITLE placeholder"},
        {1053, Kind::Text, Dlu(28, 23, 220, 32), L"WARNING_SUBTITLE placeholder"},
        {1054, Kind::SysLink, Dlu(28, 43, 270, 102), L"WARNING_TEXT placeholder"},
        {1010, Kind::PushButton, kRight, L"NEXT placeholder"},
        {1051, Kind::PushButton, kLeft, L"Back"}}},
      {114,
       {{1055, Kind::Text, Dlu(28, 3, 220, 32), L"OPTIONS_TITLE placeholder"},
        {1056, Kind::CheckBox, Dlu(28, 33, 142, 10), L"OPTIONS_CHECK_1 placeholder"},
        {1057, Kind::CheckBox, Dlu(28, 47, 142, 10), L"OPTIONS_CHECK_2 placeholder"},
        {1058, Kind::CheckBox, Dlu(28, 61, 142, 10), L"OPTIONS_CHECK_3 placeholder"},
        {1010, Kind::PushButton, kRight, L"NEXT placeholder"}}},
      {115,
       {{1059, Kind::Text, Dlu(28, 3, 220, 32), L"CONFIGURATIONS_TITLE placeholder"},
        {1060, Kind::Text, Dlu(28, 23, 220, 32), L"CONFIGURATIONS_SUBTITLE_1 placeholder"},
        {1061, Kind::Text, Dlu(28, 41, 270, 32), L"CONFIGURATIONS_TEXT_1 placeholder"},
        {1069, Kind::CheckBox, Dlu(28, 57, 10, 10), L""},
        {1062, Kind::Text, Dlu(36, 57, 270, 24), L"CONFIGURATIONS_CHECK_1 placeholder"},
        {1063, Kind::CheckBox, Dlu(28, 76, 270, 10), L"CONFIGURATIONS_CHECK_2 placeholder"},
        {1064, Kind::Text, Dlu(28, 96, 220, 32), L"CONFIGURATIONS_SUBTITLE_2 placeholder"},
        {1065, Kind::Text, Dlu(28, 114, 270, 32), L"CONFIGURATIONS_TEXT_2 placeholder"},
        {1066, Kind::CheckBox, Dlu(28, 130, 270, 10), L"CONFIGURATIONS_CHECK_3 placeholder"},
        {1067, Kind::CheckBox, Dlu(28, 144, 270, 10), L"CONFIGURATIONS_CHECK_4 placeholder"},
        {1068, Kind::CheckBox, Dlu(28, 158, 270, 10), L"CONFIGURATIONS_CHECK_5 placeholder"},
        {1010, Kind::PushButton, kRight, L"NEXT placeholder"},
        {1051, Kind::PushButton, kLeft, L"Back"}}},
  };
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

bool SameClass(HWND window, const wchar_t* expected) {
  return lstrcmpiW(ClassOf(window).c_str(), expected) == 0;
}

// The kind's class and style bits; a failure message or empty.
std::string CheckKind(HWND control, Kind kind) {
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  const LONG staticType = style & SS_TYPEMASK;
  const LONG buttonType = style & BS_TYPEMASK;
  const bool visible = (style & WS_VISIBLE) != 0;
  auto expect = [&](bool ok, const char* what) {
    if (ok) return std::string();
    char detail[96];
    wsprintfA(detail, " (class %ls, style %08lX)", ClassOf(control).c_str(), static_cast<unsigned long>(style));
    return std::string(what) + detail;
  };
  switch (kind) {
    case Kind::Text:
      return expect(SameClass(control, L"Static") && staticType == SS_LEFT && visible, "left static text");
    case Kind::CentredText:
      return expect(SameClass(control, L"Static") && staticType == SS_CENTER && visible, "centred static text");
    case Kind::EtchedFrame:
      return expect(SameClass(control, L"Static") && staticType == SS_ETCHEDFRAME, "etched frame");
    case Kind::Bar:
      return expect(SameClass(control, L"Static") && (style & WS_TABSTOP) && staticType == SS_LEFT,
                    "bar static with a tab stop");
    case Kind::Image:
      return expect(SameClass(control, L"Static") && staticType == SS_BITMAP && visible, "picture static");
    case Kind::HiddenFrame:
      return expect(SameClass(control, L"Static") && staticType == SS_BLACKFRAME && !visible, "hidden frame");
    case Kind::PushButton:
      return expect(SameClass(control, L"Button") && buttonType == BS_PUSHBUTTON && (style & WS_TABSTOP),
                    "push button");
    case Kind::DefaultButton:
      return expect(SameClass(control, L"Button") && buttonType == BS_DEFPUSHBUTTON, "default push button");
    case Kind::CheckBox:
      return expect(SameClass(control, L"Button") && buttonType == BS_AUTOCHECKBOX, "automatic check box");
    case Kind::RadioButton:
      return expect(SameClass(control, L"Button") && buttonType == BS_AUTORADIOBUTTON, "automatic radio button");
    case Kind::LinkButton:
      return expect(SameClass(control, L"Button") && buttonType == BS_OWNERDRAW, "owner-drawn link button");
    case Kind::DropDownList:
      return expect(SameClass(control, L"ComboBox") && (style & 3) == CBS_DROPDOWNLIST, "drop-down list");
    case Kind::Progress:
      return expect(SameClass(control, PROGRESS_CLASSW), "progress bar");
    case Kind::SysLink:
      return expect(SameClass(control, L"SysLink"), "link control");
    case Kind::RichEdit:
      // The control takes WS_BORDER and WS_VSCROLL over itself once created
      // (it shows the scroll bar only when the text needs one).
      return expect(SameClass(control, L"RichEdit") && (style & ES_MULTILINE) && (style & ES_READONLY),
                    "read-only multi-line rich edit");
  }
  return "unknown kind";
}

INT_PTR CALLBACK PlainProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class PageTemplates : public ::testing::TestWithParam<TemplateSpec> {};

TEST_P(PageTemplates, HaveTheCatalogueControls) {
  const TemplateSpec& entry = GetParam();
  HWND host = CreateWindowExW(0, L"Static", L"host", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  HWND page = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(entry.id), host,
                                 &PlainProc, 0);
  ASSERT_NE(page, nullptr) << "template " << entry.id << " does not create (" << GetLastError() << ")";

  const LONG pageStyle = GetWindowLongW(page, GWL_STYLE);
  EXPECT_TRUE(pageStyle & WS_CHILD);
  EXPECT_FALSE(pageStyle & WS_CAPTION);
  RECT size = Dlu(0, 0, 336, 230);
  MapDialogRect(page, &size);
  RECT client;
  GetClientRect(page, &client);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);

  std::vector<ControlSpec> controls = entry.controls;
  controls.push_back({1009, Kind::EtchedFrame, Dlu(0, 198, 336, 1), nullptr});
  controls.push_back({1002, Kind::Bar, Dlu(0, 198, 336, 32), L""});
  for (const ControlSpec& control : controls) {
    SCOPED_TRACE("template " + std::to_string(entry.id) + ", control " + std::to_string(control.id));
    HWND item = GetDlgItem(page, control.id);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(CheckKind(item, control.kind), "");
    // The dialog manager converts origin and size separately.
    const RECT& dlu = control.dlu;
    RECT origin{dlu.left, dlu.top, dlu.left, dlu.top};
    RECT size{0, 0, dlu.right - dlu.left, dlu.bottom - dlu.top};
    MapDialogRect(page, &origin);
    MapDialogRect(page, &size);
    RECT actual;
    GetWindowRect(item, &actual);
    MapWindowPoints(HWND_DESKTOP, page, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, origin.left);
    EXPECT_EQ(actual.top, origin.top);
    EXPECT_EQ(actual.right - actual.left, size.right);
    // A drop-down list is as tall as its edit field; 30 units is its list.
    if (control.kind != Kind::DropDownList) {
      EXPECT_EQ(actual.bottom - actual.top, size.bottom);
    }
    if (control.caption) {
      EXPECT_EQ(WindowCaption(item), control.caption);
    }
  }
  DestroyWindow(page);
  DestroyWindow(host);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, PageTemplates, ::testing::ValuesIn(Catalogue()),
                         [](const ::testing::TestParamInfo<TemplateSpec>& info) {
                           return "Template" + std::to_string(info.param.id);
                         });

}  // namespace

#include "pages/finish_pages.h"

#include <shellapi.h>

#include "app/win32/singletons.h"
#include "rules/path_macros.h"

void RemoveMinimiseBox(HWND wizard) {
  SetWindowLongPtrW(wizard, GWL_STYLE, GetWindowLongPtrW(wizard, GWL_STYLE) & ~WS_MINIMIZEBOX);
  SetWindowPos(wizard, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

namespace {

// Failures are the user's to see in the shell, not the wizard's to report.
void OpenWithShell(HWND owner, const std::wstring& file, const std::wstring& parameters) {
  ShellExecuteW(owner, L"open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                nullptr, SW_SHOWDEFAULT);
}

}  // namespace

BOOL FinishPageDlm::OnInitDialog() {
  picture_.AttachItem(hwnd(), IDC_PICTURE);
  BindText(IDC_FINISH_TITLE, "PAGE_FINISH_TITLE");
  BindText(IDC_FINISH_TEXT, "PAGE_FINISH_TEXT");
  BindText(IDC_FINISH, "BUTTON_FINISH");
  BindText(IDC_LAUNCH_RADIO, "LAUNCH_RADIO");
  BindText(IDC_OPEN_FOLDER_RADIO, "OPEN_FOLDER_RADIO");
  UpdateTexts();
  Check(IDC_LAUNCH_RADIO);
  picture_.LoadFromResource(IDR_FINISH_PICTURE, L"IMAGE_BLOB2");
  return TRUE;
}

bool FinishPageDlm::OnCommand(int id, int notifyCode) {
  if (id != IDC_FINISH || notifyCode != BN_CLICKED) return false;
  // The downloaded product, in the user's Downloads folder.
  const std::wstring path = GetConfigurationManager()->launchPath;
  if (IsDlgButtonChecked(hwnd(), IDC_LAUNCH_RADIO) == BST_CHECKED) {
    OpenWithShell(hwnd(), path, std::wstring());
  } else if (IsDlgButtonChecked(hwnd(), IDC_OPEN_FOLDER_RADIO) == BST_CHECKED) {
    // Explorer opens the folder with the file selected.
    OpenWithShell(hwnd(), L"explorer.exe", L"/select,\"" + path + L"\"");
  }
  Report(ButtonType::Finish);
  return true;
}

BOOL FinishPageIsv::OnInitDialog() {
  picture_.AttachItem(hwnd(), IDC_PICTURE);
  BindText(IDC_FINISH_TITLE, "PAGE_FINISH_TITLE");
  BindText(IDC_FINISH_TEXT, "PAGE_FINISH_TEXT");
  BindText(IDC_FINISH, "BUTTON_FINISH");
  BindText(IDC_LAUNCH_CHECKBOX, "LAUNCH_CHECKBOX");
  UpdateTexts();
  Check(IDC_LAUNCH_CHECKBOX);
  picture_.LoadFromResource(IDR_FINISH_PICTURE, L"IMAGE_BLOB2");
  return TRUE;
}

bool FinishPageIsv::OnCommand(int id, int notifyCode) {
  if (id != IDC_FINISH || notifyCode != BN_CLICKED) return false;
  if (IsDlgButtonChecked(hwnd(), IDC_LAUNCH_CHECKBOX) == BST_CHECKED) {
    // The installed product, e.g. {commonpf}\Pellio\Pellio.exe.
    const std::shared_ptr<ConfigurationManager> settings = GetConfigurationManager();
    const std::wstring file = ExpandPathMacros(settings->productExePath, settings->GetPathMacros());
    OpenWithShell(hwnd(), file, settings->productLaunchArgs);
  }
  Report(ButtonType::Finish);
  return true;
}

BOOL ErrorPage::OnInitDialog() {
  picture_.AttachItem(hwnd(), IDC_PICTURE);
  picture_.LoadFromResource(IDR_ERROR_PICTURE, L"IMAGE_BLOB3");
  BindText(IDC_CLOSE, "BUTTON_CLOSE");
  UpdateTexts();
  return TRUE;
}

void ErrorPage::SetMessage(const std::wstring& title, const std::wstring& text) {
  title_ = title;
  text_ = text;
  SetItemText(IDC_ERROR_TITLE, title_);
  SetItemText(IDC_ERROR_TEXT, text_);
}

bool ErrorPage::OnCommand(int id, int notifyCode) {
  if (id != IDC_CLOSE || notifyCode != BN_CLICKED) return false;
  if (buttonCallback_) buttonCallback_(ButtonType::Close);
  return true;
}

#include "app/win32/about_dlg.h"

#include "app/win32/singletons.h"

BOOL CAboutDlg::OnInitDialog() {
  SetItemText(IDC_ABOUT_VERSION, L"Vellam, Version " + GetConfigurationManager()->programVersion);
  return TRUE;
}

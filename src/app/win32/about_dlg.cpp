#include "app/win32/about_dlg.h"

#include "app/win32/singletons.h"

BOOL CAboutDlg::OnInitDialog() {
  SetItemText(1045, L"Vellam, Version " + GetConfigurationManager()->programVersion);
  return TRUE;
}

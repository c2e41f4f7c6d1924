// "About Vellam" (template 100), reached from the wizard's system menu.
#pragma once

#include "resources/resource_ids.h"
#include "ui/dialog.h"

class CAboutDlg : public ui::Dialog {
 public:
  explicit CAboutDlg(HWND parent) : ui::Dialog(IDD_ABOUT, parent) {}

 protected:
  BOOL OnInitDialog() override;
};

// "About Vellam" (template 100), reached from the wizard's system menu.
#pragma once

#include "ui/dialog.h"

class CAboutDlg : public ui::Dialog {
 public:
  explicit CAboutDlg(HWND parent) : ui::Dialog(100, parent) {}

 protected:
  BOOL OnInitDialog() override;
};

#!/usr/bin/env bash
# The ISV wizard window: caption, hidden header, single instance, about box,
# the close confirmation on every way of closing, the error page, and the
# owner and caption of the application's message boxes.
source "$(dirname "$0")/lib.sh"
e2e_start_display
export VELLAM_WIZARD_TITLE="Pellio Classic"

# A file in the working folder: an empty working folder is left in place.
fill() { [ -d "$1" ] && echo data >"$1/setup.exe"; }
gone() { [ -e "$1" ] && echo left || echo gone; }

before=$(e2e_work_folders)
e2e_start "$E2E_BUILD/Vellam.exe"
first=$E2E_LAST_PID
caption=$(e2e_wait_wizard) || { echo "FAIL: no wizard window"; exit 1; }
check "wizard window appears" "$caption" "Pellio Classic "
check "caption ends with one blank" "$(drive caption)" '"Pellio Classic "'
check "header title hidden" "$(drive visible "$IDC_PRODUCT_TITLE")" "0"
check "header icon hidden" "$(drive visible "$IDC_HEADER_ICON")" "0"
check "header line hidden" "$(drive visible "$IDC_HEADER_LINE")" "0"
check "page area present" "$(drive visible "$IDC_PAGE_AREA")" "1"
check "language page shown with its Next button" "$(drive visible "$IDC_NEXT")" "1"
e2e_screenshot wizard
work=$(e2e_new_work_folder "$before")
check "the wizard made a working folder" "$([ -d "$work" ] && echo made)" "made"
fill "$work"

# A second copy refuses to run and ends; the first keeps going. The refused
# copy leaves no working folder behind.
folders=$(e2e_work_folders)
e2e_start "$E2E_BUILD/Vellam.exe"
second=$E2E_LAST_PID
check "second copy explains itself" "$(drive messagebox)" \
  "Error|Another setup is already running, please close it and try again"
e2e_screenshot second-instance
drive answer 1 >/dev/null
check "second copy exits" "$(e2e_wait_exit "$second" 30)" "ended"
check "first copy still runs" "$(kill -0 "$first" 2>/dev/null && echo running)" "running"
check "the refused copy made no working folder" "$(e2e_work_folders)" "$folders"

# About box from the system menu.
drive syscommand 0x10 >/dev/null
check "about box shows the program version" "$(drive dialog 'About Vellam' "$IDC_ABOUT_VERSION")" \
  "Vellam, Version 1.0.0.1"
e2e_screenshot about
drive press-dialog 'About Vellam' 1 >/dev/null

# Closing asks first; Cancel keeps the wizard, OK ends it.
drive close >/dev/null
box=$(drive messagebox)
check "closing asks for confirmation with an empty caption" "${box%%|*}" ""
e2e_screenshot close-confirmation
drive answer 2 >/dev/null
check "Cancel keeps the wizard" "$(drive wait-wizard)" "Pellio Classic "
check "the process still runs after Cancel" "$(kill -0 "$first" 2>/dev/null && echo running)" "running"

# Escape and IDCANCEL take the close box's path: the same question, and
# Cancel keeps the wizard.
for way in "key 0x1B" "command 2"; do
  drive $way >/dev/null
  check "$way asks the close question" "$(drive messagebox)" "$box"
  drive answer 2 >/dev/null
  check "$way: Cancel keeps the wizard" "$(drive wait-wizard)" "Pellio Classic "
done
check "the process still runs after both" "$(kill -0 "$first" 2>/dev/null && echo running)" "running"
check "the working folder is still there" "$(gone "$work")" "left"

drive close >/dev/null
drive answer 1 >/dev/null
check "OK closes the wizard and ends the process" "$(e2e_wait_exit "$first" 30)" "ended"
check "closing deletes the working folder" "$(gone "$work")" "gone"

# IDCANCEL answered with OK ends the wizard as the close box does.
before=$(e2e_work_folders)
e2e_start "$E2E_BUILD/Vellam.exe"
cancelled=$E2E_LAST_PID
e2e_wait_wizard >/dev/null || { echo "FAIL: no wizard window"; exit 1; }
work=$(e2e_new_work_folder "$before")
fill "$work"
drive command 2 >/dev/null
check "IDCANCEL asks the close question" "$(drive messagebox)" "$box"
drive answer 1 >/dev/null
check "IDCANCEL and OK end the process" "$(e2e_wait_exit "$cancelled" 30)" "ended"
check "IDCANCEL and OK delete the working folder" "$(gone "$work")" "gone"

# The error page (command IDC_SHOW_ERROR): its Close ends the wizard without asking
# and deletes the working folder.
before=$(e2e_work_folders)
e2e_start "$E2E_BUILD/Vellam.exe"
failed=$E2E_LAST_PID
e2e_wait_wizard >/dev/null || { echo "FAIL: no wizard window"; exit 1; }
work=$(e2e_new_work_folder "$before")
fill "$work"
drive send-command "$IDC_SHOW_ERROR" >/dev/null
check "the show-error command shows the error page" "$(drive text "$IDC_ERROR_TITLE")|$(drive text "$IDC_ERROR_TEXT")" "Error|Error message"
e2e_screenshot error-page
drive click "$IDC_CLOSE" >/dev/null
check "the error page's Close ends the process" "$(e2e_wait_exit "$failed" 30)" "ended"
check "the error page's Close deletes the working folder" "$(gone "$work")" "gone"

# In the page gallery (the wizard window in a test build, which can count its
# own system menu's entries): after the error page was shown twice the
# system menu still has exactly one "Close".
e2e_start "$E2E_BUILD/pagegallery.exe"
gallery=$E2E_LAST_PID
e2e_wait_wizard >/dev/null || { echo "FAIL: no page gallery"; exit 1; }
close_entries() {
  drive syscommand 0x7FD0 >/dev/null
  drive messagebox
  drive answer 1 >/dev/null
}
check "one Close in the system menu at the start" "$(close_entries)" "Vellam|Close entries: 1"
drive send-command "$IDC_SHOW_ERROR" >/dev/null
drive send-command "$IDC_SHOW_ERROR" >/dev/null
check "the error page is shown" "$(drive text "$IDC_ERROR_TEXT")" "Error message"
check "after two errors still one Close" "$(close_entries)" "Vellam|Close entries: 1"

# A box the logic raises while the wizard exists, here from a worker thread,
# is owned by the wizard, which takes no input meanwhile, and carries the
# application's title.
drive syscommand 0x7FE0 >/dev/null
check "the box carries the application's title" "$(drive messagebox)" \
  "Vellam|A message from the page gallery"
check "the box is owned by the wizard" "$(drive messagebox-owner)" '"Pellio Classic "'
check "the wizard takes no input behind the box" "$(drive enabled)" "0"
e2e_screenshot application-message-box
drive answer 1 >/dev/null
# After an error no question is asked.
drive close >/dev/null
check "the page gallery ends" "$(e2e_wait_exit "$gallery" 30)" "ended"
e2e_finish

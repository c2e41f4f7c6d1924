#!/usr/bin/env bash
# The ISV wizard window: caption, hidden header, single instance, about box,
# and the close confirmation.
source "$(dirname "$0")/lib.sh"
e2e_start_display
export VELLAM_WIZARD_TITLE="Pellio Classic"

e2e_start "$E2E_BUILD/Vellam.exe"
first=$E2E_LAST_PID
caption=$(e2e_wait_wizard) || { echo "FAIL: no wizard window"; exit 1; }
check "wizard window appears" "$caption" "Pellio Classic "
check "caption ends with one blank" "$(drive caption)" '"Pellio Classic "'
check "header title hidden" "$(drive visible 1008)" "0"
check "header icon hidden" "$(drive visible 1007)" "0"
check "header line hidden" "$(drive visible 1006)" "0"
check "page area present" "$(drive visible 1014)" "1"
check "language page shown with its Next button" "$(drive visible 1010)" "1"
e2e_screenshot wizard

# A second copy refuses to run and ends; the first keeps going.
e2e_start "$E2E_BUILD/Vellam.exe"
second=$E2E_LAST_PID
check "second copy explains itself" "$(drive messagebox)" \
  "Error|Another setup is already running, please close it and try again"
e2e_screenshot second-instance
drive answer 1 >/dev/null
check "second copy exits" "$(e2e_wait_exit "$second" 30)" "ended"
check "first copy still runs" "$(kill -0 "$first" 2>/dev/null && echo running)" "running"

# About box from the system menu.
drive syscommand 0x10 >/dev/null
check "about box shows the program version" "$(drive dialog 'About Vellam' 1045)" \
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
drive close >/dev/null
drive answer 1 >/dev/null
check "OK closes the wizard and ends the process" "$(e2e_wait_exit "$first" 30)" "ended"
e2e_finish

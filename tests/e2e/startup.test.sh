#!/usr/bin/env bash
# Start-up paths: no rich-edit library, the DLM caption, and one mutex for
# both wizard types.
source "$(dirname "$0")/lib.sh"
e2e_start_display

# Without the rich-edit library nothing is shown and the process ends.
e2e_start WINEDLLOVERRIDES=riched32= "$E2E_BUILD/Vellam.exe"
check "no rich edit: the process ends" "$(e2e_wait_exit "$E2E_LAST_PID" 60)" "ended"
check "no rich edit: no window was shown" "$(drive --timeout 500 wait-wizard 2>/dev/null)" ""

# The DLM wizard is captioned "Setup" and hides its header until loading completes.
e2e_start "$E2E_BUILD/VellamDLM.exe"
dlm=$E2E_LAST_PID
e2e_wait_wizard --title Setup >/dev/null || true
check "DLM caption" "$(drive --title Setup caption)" '"Setup"'
check "DLM header title hidden" "$(drive --title Setup visible "$IDC_PRODUCT_TITLE")" "0"
check "DLM header icon shown" "$(drive --title Setup visible "$IDC_HEADER_ICON")" "1"
check "DLM header line shown" "$(drive --title Setup visible "$IDC_HEADER_LINE")" "1"
e2e_screenshot dlm-wizard

# The ISV wizard shares the DLM wizard's single-instance mutex.
e2e_start "$E2E_BUILD/Vellam.exe"
isv=$E2E_LAST_PID
check "ISV refused while DLM runs" "$(drive messagebox)" \
  "Error|Another setup is already running, please close it and try again"
drive answer 1 >/dev/null
check "refused copy exits" "$(e2e_wait_exit "$isv" 30)" "ended"

drive --title Setup close >/dev/null
drive answer 1 >/dev/null
check "DLM closes after confirmation" "$(e2e_wait_exit "$dlm" 30)" "ended"
e2e_finish

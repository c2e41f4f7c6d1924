#!/usr/bin/env bash
# Language → loading → the pages after it, against the reference server: the
# ISV wizard with four offers (two fail their rules on any machine: a shared
# vertical and a registry key every Windows has), the DLM wizard with two
# (one fails), and the DLM configuration error page on an empty title (the
# request strips every blank, so titles here have none). Checks
# the pages shown (each by a control only it has) and the reports
# the server received: event 1 for the main product, event 2 with the reason
# for each rejected offer. The ISV run goes on through both offer pages
# (accept, decline: event 4), the option pages and Back.
if [ -z "${VELLAM_DEVSERVER_LOGS:-}" ]; then
  root=$(cd "$(dirname "$0")/../.." && pwd)
  logs=$(realpath -m "$1")/e2e-server-logs/loading
  mkdir -p "$logs"
  exec "$root/tools/devserver/serve" --scenario "$root/tests/e2e/loading.scenario.json" \
    --logs "$logs" run "$0" "$@"
fi
source "$(dirname "$0")/lib.sh"
e2e_start_display
"$E2E_ROOT/tools/addroot/install-ca" "$E2E_PREFIX" "$E2E_BUILD/addroot.exe" \
  "$VELLAM_DEVSERVER_CERTS" >>"$E2E_WORK/addroot.log" 2>&1 || { echo "FAIL: CA"; exit 1; }
unset VELLAM_WIZARD_TITLE

start_run() {
  e2e_start "$1"
  E2E_RUN_PID=$E2E_LAST_PID
}
end_run() {
  kill "$E2E_RUN_PID" 2>/dev/null || true
  e2e_stop_wine
}

# --- ISV: offers A and D pass, B and C are rejected -------------------------
start_run "$E2E_BUILD/Vellam.exe"
e2e_wait_wizard >/dev/null || { echo "FAIL: no ISV wizard"; exit 1; }
drive click "$IDC_NEXT" >/dev/null
check "isv: warning page after loading" "$(page_shown "$IDC_WARNING_TITLE")" "shown"
e2e_screenshot isv-warning
drive click "$IDC_NEXT" >/dev/null
check "isv: licence page" "$(page_shown "$IDC_AGREE")" "shown"
drive click "$IDC_AGREE" >/dev/null
check "isv: the first offer page" "$(page_shown "$IDC_ACCEPT")" "shown"
e2e_screenshot isv-offer
check "isv: event 1 and the two rejections" "$(reports_become "1 Pellio Classic -
2 OfferB SAME VERTICAL OFFER ALREADY PRESENT
2 OfferC REGISTRY KEY EXISTS")" "1 Pellio Classic -
2 OfferB SAME VERTICAL OFFER ALREADY PRESENT
2 OfferC REGISTRY KEY EXISTS"
# The link control hands back its markup. Names lose their blanks: the
# configuration answer is read with every blank removed.
check "isv: offer A's disclaimer, tokens replaced" "$(drive text "$IDC_OFFER_DISCLAIMER")" \
  'By clicking "Accept" you agree to install OfferA and accept its <a href="https://offers.example/a/eula">License Agreement</a> and <a href="https://offers.example/a/privacy">Privacy Policy</a>. Click "Decline" to continue without it.'
drive click "$IDC_ACCEPT" >/dev/null
drive --timeout 30000 wait-text "$IDC_OFFER_DISCLAIMER" \
  'By clicking "Accept" you agree to install OfferD and accept its <a href="">License Agreement</a> and <a href="">Privacy Policy</a>. Click "Decline" to continue without it.' >/dev/null
check "isv: offer D after accepting A" "$(drive text "$IDC_OFFER_DISCLAIMER")" \
  'By clicking "Accept" you agree to install OfferD and accept its <a href="">License Agreement</a> and <a href="">Privacy Policy</a>. Click "Decline" to continue without it.'
e2e_screenshot isv-offer-d
drive click "$IDC_DECLINE" >/dev/null
check "isv: options page after the last offer" "$(page_shown "$IDC_OPTIONS_TITLE")" "shown"
check "isv: every option box checked at start" \
  "$(for id in "$IDC_OPTIONS_CHECK_1" "$IDC_OPTIONS_CHECK_2" "$IDC_OPTIONS_CHECK_3"; do drive checked "$id"; done | tr -d '\n')" "111"
drive toggle "$IDC_OPTIONS_CHECK_2" >/dev/null
check "isv: a box the user clears shows cleared" "$(drive checked "$IDC_OPTIONS_CHECK_2")" "0"
e2e_screenshot isv-options
check "isv: event 4 for the declined offer" "$(reports_become "1 Pellio Classic -
2 OfferB SAME VERTICAL OFFER ALREADY PRESENT
2 OfferC REGISTRY KEY EXISTS
4 OfferD -")" "1 Pellio Classic -
2 OfferB SAME VERTICAL OFFER ALREADY PRESENT
2 OfferC REGISTRY KEY EXISTS
4 OfferD -"
drive click "$IDC_NEXT" >/dev/null
check "isv: configurations page" "$(page_shown "$IDC_CONFIGURATIONS_TITLE")" "shown"
check "isv: configurations text, product title replaced" \
  "$(drive text "$IDC_CONFIGURATIONS_CHECK_2")" "Start Pellio Classic when Windows starts"
e2e_screenshot isv-configurations
drive click "$IDC_BACK" >/dev/null
check "isv: Back returns to the options page" "$(page_shown "$IDC_OPTIONS_TITLE")" "shown"
check "isv: the cleared box is still cleared" "$(drive checked "$IDC_OPTIONS_CHECK_2")" "0"
end_run

# --- DLM: the description names the product; offer B is rejected ----------
: >"$VELLAM_DEVSERVER_LOGS/events.jsonl"
start_run "$E2E_BUILD/VellamDLM.exe"
e2e_wait_wizard >/dev/null || { echo "FAIL: no DLM wizard"; exit 1; }
drive click "$IDC_NEXT" >/dev/null
check "dlm: warning page after loading" "$(page_shown "$IDC_WARNING_TITLE")" "shown"
check "dlm: caption from the description" "$(drive caption)" '"Tundra Setup"'
check "dlm: header title shown" "$(drive text "$IDC_PRODUCT_TITLE")" "Tundra"
check "dlm: Back shows its caption (no text in this language)" "$(drive text "$IDC_BACK")" "Back"
e2e_screenshot dlm-warning
drive click "$IDC_NEXT" >/dev/null
check "dlm: licence page" "$(page_shown "$IDC_AGREE")" "shown"
drive click "$IDC_AGREE" >/dev/null
check "dlm: the offer page" "$(page_shown "$IDC_ACCEPT")" "shown"
check "dlm: event 1 and the rejection" "$(reports_become "1 - -
2 OfferB SAME VERTICAL OFFER ALREADY PRESENT")" "1 - -
2 OfferB SAME VERTICAL OFFER ALREADY PRESENT"
end_run

# --- DLM: an empty title is the configuration error ------------------------
start_run "$E2E_BUILD/VellamDLM.exe"
e2e_wait_wizard >/dev/null || { echo "FAIL: no DLM wizard"; exit 1; }
drive click "$IDC_NEXT" >/dev/null
drive --timeout 60000 wait-text "$IDC_ERROR_TITLE" "Something went wrong" >/dev/null || true
check "dlm-error: error title" "$(drive text "$IDC_ERROR_TITLE")" "Something went wrong"
check "dlm-error: error text" "$(drive text "$IDC_ERROR_TEXT")" "Please try to download later"
e2e_screenshot dlm-error
end_run

e2e_finish

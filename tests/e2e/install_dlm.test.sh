#!/usr/bin/env bash
# The DLM wizard from the language page to the end against the reference
# server: the main product (a stand-in installer) is only downloaded, into
# the user's Downloads folder under the name the configuration gives, and
# started by the finish page's launch choice; offers A (an executable) and D
# (a ZIP) are accepted and started from the working folder. Then the main
# download failing: the offers still run and the run ends on the download
# error page, the working folder gone. (Event 1 comes before the
# configuration names the product; the later reports carry its title.)
if [ -z "${VELLAM_DEVSERVER_LOGS:-}" ]; then
  root=$(cd "$(dirname "$0")/../.." && pwd)
  build=$(realpath "$1")
  logs=$(realpath -m "$1")/e2e-server-logs/install_dlm
  files="$build/e2e-files/install_dlm"
  mkdir -p "$logs"
  installer="$build/e2e_stand_in_installer.exe"
  "$root/tests/e2e/stand_in/make-files" "$files" "$installer" tundra-1.2.exe
  exec "$root/tools/devserver/serve" --scenario "$root/tests/e2e/install_dlm.scenario.json" \
    --files "$files" --logs "$logs" run "$0" "$@"
fi
source "$(dirname "$0")/lib.sh"
e2e_start_display
"$E2E_ROOT/tools/addroot/install-ca" "$E2E_PREFIX" "$E2E_BUILD/addroot.exe" \
  "$VELLAM_DEVSERVER_CERTS" >>"$E2E_WORK/addroot.log" 2>&1 || { echo "FAIL: CA"; exit 1; }
unset VELLAM_WIZARD_TITLE
files="$E2E_BUILD/e2e-files/install_dlm"

source "$(dirname "$0")/install_lib.sh"

# The prefix user's Downloads folder (the DLM wizard's download folder).
downloads=$(ls -d "$E2E_PREFIX"/drive_c/users/*/Downloads | grep -v /Public/ | head -1)

# --- The whole run ------------------------------------------------------
fresh_run
rm -f "$downloads/TundraSetup.exe"
before=$(e2e_work_folders)
e2e_start "$E2E_BUILD/VellamDLM.exe"
run=$E2E_LAST_PID
to_download_page D
check "download page" "$(page_shown "$IDC_PROGRESS_TITLE")" "shown"
e2e_screenshot dlm-download
check "finish page" "$(page_shown "$IDC_FINISH")" "shown"
e2e_screenshot dlm-finish
work=$(e2e_new_work_folder "$before")
check "the offers started from the working folder, the main product not" \
  "$(started "$(windows_path "$work")")" "offerA.exe /quiet own-folder in-work
setup.exe /quiet own-folder in-work"
check "the main product in Downloads under its configured name" \
  "$(cmp -s "$downloads/TundraSetup.exe" "$files/main/tundra-1.2.exe" && echo same)" "same"
check "every report" "$(reports_become "1 - -
2 OfferB REGISTRY KEY EXISTS
3 OfferA -
3 OfferD -
3 Tundra -")" "1 - -
2 OfferB REGISTRY KEY EXISTS
3 OfferA -
3 OfferD -
3 Tundra -"
check "no minimise box on the finish page" "$(drive has-minimize-box)" "0"
check "launch is the choice at first" "$(drive checked "$IDC_LAUNCH_RADIO")" "1"
drive click "$IDC_FINISH" >/dev/null
check "finish ends the wizard" "$(e2e_wait_exit "$run" 60)" "ended"
for i in $(seq 100); do grep -q '|TundraSetup.exe|' "$installs" 2>/dev/null && break; sleep 0.2; done
check "finish started the downloaded product" "$(grep -c '|TundraSetup.exe|' "$installs" || true)" "1"
check "the working folder is gone" "$(ls -d "$work" 2>/dev/null || echo gone)" "gone"
e2e_stop_wine

# --- The main download fails ------------------------------------------------
fresh_run
rm -f "$downloads/TundraSetup.exe"
mv "$files/main/tundra-1.2.exe" "$files/main/held-back.exe"
before=$(e2e_work_folders)
e2e_start "$E2E_BUILD/VellamDLM.exe"
run=$E2E_LAST_PID
to_download_page D
drive --timeout 120000 wait-text "$IDC_ERROR_TITLE" "Error in downloading" >/dev/null || true
check "failed: the download error page" "$(drive text "$IDC_ERROR_TITLE")" "Error in downloading"
check "failed: its text" "$(drive text "$IDC_ERROR_TEXT")" "Please try to download later"
e2e_screenshot dlm-error-download
work=$(e2e_new_work_folder "$before")
check "failed: the offers still started" "$(started "$(windows_path "$work")" | cut -d' ' -f1)" \
  "offerA.exe
setup.exe"
check "failed: the reports" "$(reports_become "1 - -
2 OfferB REGISTRY KEY EXISTS
3 OfferA -
3 OfferD -
3 Tundra DOWNLOAD FAILED:")" "1 - -
2 OfferB REGISTRY KEY EXISTS
3 OfferA -
3 OfferD -
3 Tundra DOWNLOAD FAILED:"
drive click "$IDC_CLOSE" >/dev/null
check "failed: close ends the wizard" "$(e2e_wait_exit "$run" 60)" "ended"
check "failed: the working folder is gone" "$(ls -d "$work" 2>/dev/null || echo gone)" "gone"
e2e_stop_wine
mv "$files/main/held-back.exe" "$files/main/tundra-1.2.exe"

e2e_finish

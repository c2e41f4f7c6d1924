#!/usr/bin/env bash
# The ISV wizard from the language page to the end against the reference
# server, with a stand-in installer (tests/e2e/stand_in) as the main product
# and the offers: offer A (a partner offer, an executable) and offer D (a ZIP
# with the installer inside, served slowly) accepted, offer B rejected by its
# rules. Checked: the installers started with the expected command lines in
# their own folders, the partner marker, the reports the server received and
# the working folder gone after Finish. Then the failure runs, each ending on
# the error page with the working folder gone: the main product missing on
# both addresses, and the main installer exiting with 1603. Last, closing
# during the downloads: event 5 for the main product and the shown offers,
# nothing started.
if [ -z "${VELLAM_DEVSERVER_LOGS:-}" ]; then
  root=$(cd "$(dirname "$0")/../.." && pwd)
  build=$(realpath "$1")
  logs=$(realpath -m "$1")/e2e-server-logs/install_isv
  files="$build/e2e-files/install_isv"
  mkdir -p "$logs"
  installer="$build/e2e_stand_in_installer.exe"
  "$root/tests/e2e/stand_in/make-files" "$files" "$installer" stable.exe
  cp "$installer" "$files/o/offerE.exe"
  # Offer D names its file's digest (in capitals, as a server may), offer E a
  # digest its file does not have.
  python3 - "$root/tests/e2e/install_isv.scenario.json" "$files" >"$files/scenario.json" <<'PY'
import hashlib, json, sys
scenario = json.load(open(sys.argv[1]))
offers = scenario["config"]["/o"][0]["json"]["o"]
digest = hashlib.sha256(open(sys.argv[2] + "/o/offerD.zip", "rb").read()).hexdigest()
offers[2]["ps"]["sha256"] = digest.upper()
offers[3]["ps"]["sha256"] = hashlib.sha256(b"another file").hexdigest()
print(json.dumps(scenario))
PY
  exec "$root/tools/devserver/serve" --scenario "$files/scenario.json" \
    --files "$files" --logs "$logs" run "$0" "$@"
fi
source "$(dirname "$0")/lib.sh"
e2e_start_display
"$E2E_ROOT/tools/addroot/install-ca" "$E2E_PREFIX" "$E2E_BUILD/addroot.exe" \
  "$VELLAM_DEVSERVER_CERTS" >>"$E2E_WORK/addroot.log" 2>&1 || { echo "FAIL: CA"; exit 1; }
unset VELLAM_WIZARD_TITLE
files="$E2E_BUILD/e2e-files/install_isv"

source "$(dirname "$0")/install_lib.sh"

# --- The whole run ------------------------------------------------------
fresh_run
before=$(e2e_work_folders)
e2e_start "$E2E_BUILD/Vellam.exe"
run=$E2E_LAST_PID
to_download_page D E
check "download page" "$(page_shown "$IDC_PROGRESS_TITLE")" "shown"
e2e_screenshot isv-download
check "finish page after the installers" "$(page_shown "$IDC_FINISH")" "shown"
e2e_screenshot isv-finish
work=$(e2e_new_work_folder "$before")
check "installers started, in order, in their own folders" "$(started "$(windows_path "$work")")" \
  "stable /S /FORCEINSTALL 1110010101111110 own-folder in-work
offerA.exe /quiet own-folder in-work
setup.exe /quiet own-folder in-work"
check "every report" "$(reports_become "-1 OfferE DOWNLOAD FAILED: SHA-256 mismatch:
1 Pellio Classic -
2 OfferB REGISTRY KEY EXISTS
3 OfferA -
3 OfferD -
3 Pellio Classic -")" "-1 OfferE DOWNLOAD FAILED: SHA-256 mismatch:
1 Pellio Classic -
2 OfferB REGISTRY KEY EXISTS
3 OfferA -
3 OfferD -
3 Pellio Classic -"
check "no minimise box on the finish page" "$(drive has-minimize-box)" "0"
drive toggle "$IDC_LAUNCH_CHECKBOX" >/dev/null  # the product is not really installed
drive click "$IDC_FINISH" >/dev/null
check "finish ends the wizard" "$(e2e_wait_exit "$run" 60)" "ended"
check "the working folder is gone" "$(ls -d "$work" 2>/dev/null || echo gone)" "gone"
e2e_stop_wine
check "the partner marker of offer A" \
  "$(grep -ci '^\[Software\\\\VellamE2E\\\\Offers\]' "$E2E_PREFIX/system.reg" || true)" "1"

# --- The main product missing on both addresses --------------------------
fresh_run
mv "$files/main/stable.exe" "$files/main/held-back.exe"
before=$(e2e_work_folders)
e2e_start "$E2E_BUILD/Vellam.exe"
run=$E2E_LAST_PID
to_download_page D E
drive --timeout 120000 wait-text "$IDC_ERROR_TITLE" "Error occurred while installing Pellio Classic." >/dev/null || true
check "404: the error page" "$(drive text "$IDC_ERROR_TITLE")" "Error occurred while installing Pellio Classic."
e2e_screenshot isv-error-download
work=$(e2e_new_work_folder "$before")
check "404: the offers are still installed" "$(started "$(windows_path "$work")" | cut -d' ' -f1)" \
  "offerA.exe
setup.exe"
check "404: the main product's failure and the offers' reports" "$(reports_become "-1 OfferE DOWNLOAD FAILED: SHA-256 mismatch:
1 Pellio Classic -
2 OfferB REGISTRY KEY EXISTS
3 OfferA -
3 OfferD -
3 Pellio Classic DOWNLOAD FAILED:")" "-1 OfferE DOWNLOAD FAILED: SHA-256 mismatch:
1 Pellio Classic -
2 OfferB REGISTRY KEY EXISTS
3 OfferA -
3 OfferD -
3 Pellio Classic DOWNLOAD FAILED:"
drive click "$IDC_CLOSE" >/dev/null
check "404: close ends the wizard" "$(e2e_wait_exit "$run" 60)" "ended"
check "404: the working folder is gone" "$(ls -d "$work" 2>/dev/null || echo gone)" "gone"
e2e_stop_wine
mv "$files/main/held-back.exe" "$files/main/stable.exe"

# --- The main installer exits with 1603 -----------------------------------
fresh_run
before=$(e2e_work_folders)
e2e_start VELLAM_E2E_INSTALLER_EXIT=1603 "$E2E_BUILD/Vellam.exe"
run=$E2E_LAST_PID
to_download_page D E
drive --timeout 120000 wait-text "$IDC_ERROR_TITLE" "Error occurred while installing Pellio Classic." >/dev/null || true
check "1603: the error page" "$(drive text "$IDC_ERROR_TITLE")" "Error occurred while installing Pellio Classic."
work=$(e2e_new_work_folder "$before")
check "1603: the main installer, then the offers" "$(started "$(windows_path "$work")" | cut -d' ' -f1)" \
  "stable
offerA.exe
setup.exe"
check "1603: the exit code reported" "$(reports_become "-1 OfferE DOWNLOAD FAILED: SHA-256 mismatch:
1 Pellio Classic -
2 OfferB REGISTRY KEY EXISTS
3 OfferA -
3 OfferD -
3 Pellio Classic EXEC FAILED: exit code = 1603")" "-1 OfferE DOWNLOAD FAILED: SHA-256 mismatch:
1 Pellio Classic -
2 OfferB REGISTRY KEY EXISTS
3 OfferA -
3 OfferD -
3 Pellio Classic EXEC FAILED: exit code = 1603"
drive click "$IDC_CLOSE" >/dev/null
check "1603: close ends the wizard" "$(e2e_wait_exit "$run" 60)" "ended"
check "1603: the working folder is gone" "$(ls -d "$work" 2>/dev/null || echo gone)" "gone"
e2e_stop_wine

# --- Closing during the downloads -----------------------------------------
fresh_run
before=$(e2e_work_folders)
e2e_start "$E2E_BUILD/Vellam.exe"
run=$E2E_LAST_PID
to_download_page D E
check "close: download page" "$(page_shown "$IDC_PROGRESS_TITLE")" "shown"
work=$(e2e_new_work_folder "$before")
drive close >/dev/null
drive answer 1 >/dev/null 2>&1 || true  # the question, when one is asked
check "close: the wizard ends" "$(e2e_wait_exit "$run" 60)" "ended"
check "close: event 5 for the main product and the shown offers" "$(reports | grep '^5 ' || true)" \
  "5 OfferA -
5 OfferD -
5 OfferE -
5 Pellio Classic -"
check "close: nothing started" "$(started x)" ""
check "close: the working folder is gone" "$(ls -d "$work" 2>/dev/null || echo gone)" "gone"
e2e_stop_wine

# --- The server goes down before the downloads (last: it stays down) ------
fresh_run
before=$(e2e_work_folders)
e2e_start "$E2E_BUILD/Vellam.exe"
run=$E2E_LAST_PID
to_configurations_page D E
check "down: the configurations page" "$(page_shown "$IDC_CONFIGURATIONS_TITLE")" "shown"
kill -TERM "$VELLAM_DEVSERVER_PID"
for i in $(seq 50); do kill -0 "$VELLAM_DEVSERVER_PID" 2>/dev/null || break; sleep 0.1; done
check "down: the server is gone" "$(kill -0 "$VELLAM_DEVSERVER_PID" 2>/dev/null && echo running || echo gone)" "gone"
drive click "$IDC_NEXT" >/dev/null
drive --timeout 120000 wait-text "$IDC_ERROR_TITLE" "Error occurred while installing Pellio Classic." >/dev/null || true
check "down: the error page" "$(drive text "$IDC_ERROR_TITLE")" "Error occurred while installing Pellio Classic."
e2e_screenshot isv-error-server-down
work=$(e2e_new_work_folder "$before")
check "down: nothing started" "$(started x)" ""
drive click "$IDC_CLOSE" >/dev/null
check "down: close ends the wizard" "$(e2e_wait_exit "$run" 60)" "ended"
check "down: the working folder is gone" "$(ls -d "$work" 2>/dev/null || echo gone)" "gone"
e2e_stop_wine

e2e_finish

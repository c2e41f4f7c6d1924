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
  rm -rf "$files" && mkdir -p "$logs" "$files/main" "$files/o"
  installer="$build/e2e_stand_in_installer.exe"
  cp "$installer" "$files/main/tundra-1.2.exe"
  cp "$installer" "$files/o/offerA.exe"
  python3 - "$installer" "$files/o/offerD.zip" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED) as archive:
    archive.write(sys.argv[1], "setup.exe")
    archive.writestr("readme.txt", "not an installer")
    # Incompressible, so that the offer's slow download lasts a few seconds.
    archive.writestr("data.bin", os.urandom(2 << 20), zipfile.ZIP_STORED)
PY
  exec "$root/tools/devserver/serve" --scenario "$root/tests/e2e/install_dlm.scenario.json" \
    --files "$files" --logs "$logs" run "$0" "$@"
fi
source "$(dirname "$0")/lib.sh"
e2e_start_display
"$E2E_ROOT/tools/addroot/install-ca" "$E2E_PREFIX" "$E2E_BUILD/addroot.exe" \
  "$VELLAM_DEVSERVER_CERTS" >>"$E2E_WORK/addroot.log" 2>&1 || { echo "FAIL: CA"; exit 1; }
unset VELLAM_WIZARD_TITLE
files="$E2E_BUILD/e2e-files/install_dlm"
installs="$E2E_PREFIX/drive_c/vellam-e2e/installs.txt"

page_shown() {  # waits up to two minutes for control ID on the page shown
  drive --timeout 120000 text "$1" >/dev/null 2>&1 && echo shown || echo "not shown"
}

# The reports received so far: "code offer failure-or-reason", sorted; a
# download failure is cut after "DOWNLOAD FAILED:" (the rest names clients).
reports() {
  python3 - "$VELLAM_DEVSERVER_LOGS/events.jsonl" <<'PY'
import json, sys
lines = []
try:
    for line in open(sys.argv[1]):
        data = json.loads(line)["data"]
        failure = data.get("12") or "-"
        if not failure.startswith("EXEC"):
            failure = " ".join(failure.split()[:2])
        why = data.get("13") or failure
        lines.append(" ".join([data.get("6", ""), data.get("5", "") or "-", why]))
except FileNotFoundError:
    pass
print("\n".join(sorted(lines)))
PY
}
reports_become() {
  local expected=$1 got i
  for i in $(seq 300); do
    got=$(reports)
    [ "$got" == "$expected" ] && break
    sleep 0.2
  done
  echo "$got"
}

# The installers started: "name arguments", then whether each started in its
# own folder inside the working folder WORK, one per line in start order.
started() {
  python3 - "$installs" "$1" <<'PY'
import ntpath, sys
work = sys.argv[2].lower()
try:
    lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
except FileNotFoundError:
    lines = []
for line in lines:
    name, command, folder = line.split("|")
    path, _, arguments = command[1:].partition('" ')
    own = ntpath.dirname(path).lower() == folder.rstrip("\\").lower()
    inside = path.lower().startswith(work)
    print(name, arguments, "own-folder" if own else "folder=" + folder,
          "in-work" if inside else "outside=" + path)
PY
}

# The working folder a run made, as Windows names it (C:\users\...).
windows_path() { echo "C:${1#$E2E_PREFIX/drive_c}" | tr / '\\'; }

# Before each run: no installs recorded, no reports, and no partner marker
# (offer A would be rejected while the one written by the run before holds).
fresh_run() {
  : >"$VELLAM_DEVSERVER_LOGS/events.jsonl"
  rm -f "$installs"
  "$E2E_ROOT/tests/wine-run" "$E2E_PREFIX" reg delete 'HKLM\Software\VellamE2E' /f >/dev/null 2>&1 || true
  e2e_stop_wine
}

# Waits for control WAIT on the page shown, then clicks CLICK; says which
# page did not come.
step() {
  local wait=$1 click=$2 name=$3
  if [ "$(page_shown "$wait")" != shown ]; then
    echo "FAIL: no $name page"
    E2E_FAILURES=$((E2E_FAILURES + 1))
    e2e_screenshot "missing-$name"
    return 0
  fi
  drive click "$click" >/dev/null || true
}

# Language → loading → warning → licence → offers A and D accepted →
# options → configurations → download page.
to_download_page() {
  e2e_wait_wizard >/dev/null || { echo "FAIL: no wizard"; exit 1; }
  drive click "$IDC_NEXT" >/dev/null
  step "$IDC_WARNING_TITLE" "$IDC_NEXT" warning
  step "$IDC_AGREE" "$IDC_AGREE" licence
  step "$IDC_ACCEPT" "$IDC_ACCEPT" "offer A"
  drive --timeout 30000 wait-text "$IDC_OFFER_DISCLAIMER" \
    'By clicking "Accept" you agree to install OfferD and accept its <a href="">License Agreement</a> and <a href="">Privacy Policy</a>. Click "Decline" to continue without it.' >/dev/null || true
  step "$IDC_ACCEPT" "$IDC_ACCEPT" "offer D"
  step "$IDC_OPTIONS_TITLE" "$IDC_NEXT" options
  step "$IDC_CONFIGURATIONS_TITLE" "$IDC_NEXT" configurations
}

# The prefix user's Downloads folder (the DLM wizard's download folder).
downloads=$(ls -d "$E2E_PREFIX"/drive_c/users/*/Downloads | grep -v /Public/ | head -1)

# --- The whole run ------------------------------------------------------
fresh_run
rm -f "$downloads/TundraSetup.exe"
before=$(e2e_work_folders)
e2e_start "$E2E_BUILD/VellamDLM.exe"
run=$E2E_LAST_PID
to_download_page
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
for i in $(seq 100); do grep -q '^TundraSetup.exe|' "$installs" 2>/dev/null && break; sleep 0.2; done
check "finish started the downloaded product" "$(grep -c '^TundraSetup.exe|' "$installs" || true)" "1"
check "the working folder is gone" "$(ls -d "$work" 2>/dev/null || echo gone)" "gone"
e2e_stop_wine

# --- The main download fails ------------------------------------------------
fresh_run
rm -f "$downloads/TundraSetup.exe"
mv "$files/main/tundra-1.2.exe" "$files/main/held-back.exe"
before=$(e2e_work_folders)
e2e_start "$E2E_BUILD/VellamDLM.exe"
run=$E2E_LAST_PID
to_download_page
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

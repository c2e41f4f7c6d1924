# Shared by the install scenarios (sourced after lib.sh): what the stand-in
# installer recorded, a fresh start for each run, and the way through the
# wizard to its download page. `installs` names the stand-in's record.
installs="$E2E_PREFIX/drive_c/vellam-e2e/installs.txt"

# The installers started: "name arguments", then whether each started in its
# own folder inside the working folder WORK, one per line in the order the
# processes were created (the stand-in records its creation time).
started() {
  python3 - "$installs" "$1" <<'PY'
import ntpath, sys
work = sys.argv[2].lower()
try:
    lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
except FileNotFoundError:
    lines = []
records = sorted((line.split("|") for line in lines), key=lambda fields: int(fields[0]))
for _, name, command, folder in records:
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
# The marker's absence is read back after the wineserver has saved the
# registry and gone, so a run never starts from the last one's state.
fresh_run() {
  local marker='HKLM\Software\VellamE2E'
  : >"$VELLAM_DEVSERVER_LOGS/events.jsonl"
  rm -f "$installs"
  "$E2E_ROOT/tests/wine-run" "$E2E_PREFIX" reg delete "$marker" /f >/dev/null 2>&1 || true
  e2e_stop_wine
  if "$E2E_ROOT/tests/wine-run" "$E2E_PREFIX" reg query "$marker" >/dev/null 2>&1; then
    echo "FAIL: the partner marker of the run before is still in the registry"
    exit 1
  fi
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

# Language → loading → warning → licence → offer A and then the offers named
# (D, E ...) accepted → options → configurations page.
to_configurations_page() {
  local offer
  e2e_wait_wizard >/dev/null || { echo "FAIL: no wizard"; exit 1; }
  drive click "$IDC_NEXT" >/dev/null
  step "$IDC_WARNING_TITLE" "$IDC_NEXT" warning
  step "$IDC_AGREE" "$IDC_AGREE" licence
  step "$IDC_ACCEPT" "$IDC_ACCEPT" "offer A"
  for offer in "$@"; do
    drive --timeout 30000 wait-text "$IDC_OFFER_DISCLAIMER" \
      "By clicking \"Accept\" you agree to install Offer$offer and accept its <a href=\"\">License Agreement</a> and <a href=\"\">Privacy Policy</a>. Click \"Decline\" to continue without it." >/dev/null || true
    step "$IDC_ACCEPT" "$IDC_ACCEPT" "offer $offer"
  done
  step "$IDC_OPTIONS_TITLE" "$IDC_NEXT" options
}

# The same, on to the download page.
to_download_page() {
  to_configurations_page "$@"
  step "$IDC_CONFIGURATIONS_TITLE" "$IDC_NEXT" configurations
}

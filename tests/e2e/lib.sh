# Shared harness of the end-to-end scenarios. A scenario is a bash script
#   tests/e2e/NAME.test.sh BUILD_DIR PREFIX_DIR
# that sources this file, starts the installer under Wine on a virtual X
# display, drives it with tools/uidriver like a user, and checks what the user
# and the servers see. Screenshots go to BUILD_DIR/e2e-artifacts/NAME/.
set -euo pipefail

E2E_BUILD=$(realpath "$1")
E2E_PREFIX=$(realpath -m "$2")
E2E_NAME=$(basename "$0" .test.sh)
E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$E2E_ROOT/scripts/lib/display.sh"
source "$E2E_ROOT/scripts/lib/wineserver.sh"
# Control ids by name (IDC_NEXT=1010, ...), read straight from the header the
# resource scripts and the window code share, so they cannot drift apart.
eval "$(sed -n 's/^#define \(ID[A-Z0-9_]*\) \([0-9][0-9]*\)$/\1=\2/p' \
  "$E2E_ROOT/src/resources/resource_ids.h")"
E2E_ARTIFACTS="$E2E_BUILD/e2e-artifacts/$E2E_NAME"
E2E_WORK="$E2E_BUILD/e2e-work/$E2E_NAME"
E2E_FAILURES=0
E2E_PIDS=()
rm -rf "$E2E_ARTIFACTS" "$E2E_WORK"
mkdir -p "$E2E_ARTIFACTS" "$E2E_WORK"

export WINEPREFIX="$E2E_PREFIX" HOME="$E2E_PREFIX/home" WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

# Ends every process of the end-to-end prefix (ours alone while a scenario
# runs; they run one at a time), its registry saved.
e2e_stop_wine() { stop_wineserver; }

e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  e2e_stop_wine
  [ -n "${E2E_XVFB_PID:-}" ] && kill "$E2E_XVFB_PID" 2>/dev/null || true
}
trap e2e_cleanup EXIT

# Starts Xvfb on a free display number and exports DISPLAY.
e2e_start_display() {
  start_display "$E2E_WORK" || exit 1
  E2E_XVFB_PID=$XVFB_PID
}

# Starts PROGRAM (a path) in the background with the given environment
# assignments; sets E2E_LAST_PID. Usage: e2e_start [VAR=value ...] PROGRAM
e2e_start() {
  local assignments=("${@:1:$#-1}") program=${@: -1}
  env "${assignments[@]}" "$E2E_ROOT/tests/wine-run" "$E2E_PREFIX" "$program" >>"$E2E_WORK/wine.log" 2>&1 &
  E2E_LAST_PID=$!
  E2E_PIDS+=("$E2E_LAST_PID")
}

# Waits for the wizard after a start: a cold Wine start (wineserver, desktop,
# program) can take well over the driver's usual 15 s on a loaded machine.
# When it never comes, the screen and the prefix's processes are kept.
e2e_wait_wizard() {
  drive --timeout 90000 "$@" wait-wizard && return 0
  e2e_screenshot no-wizard
  ps -eo pid,etimes,stat,args | grep -iE 'wine|\.exe' | grep -v grep >"$E2E_WORK/no-wizard-processes.txt" || true
  return 1
}

# Runs the UI driver; prints its output.
drive() {
  "$E2E_ROOT/tests/wine-run" "$E2E_PREFIX" "$E2E_BUILD/uidriver.exe" "$@" 2>>"$E2E_WORK/driver.log" | tr -d '\r'
}

# Waits up to SECONDS for process PID to end; prints "ended" or "running".
e2e_wait_exit() {
  local pid=$1 seconds=${2:-30} i
  for i in $(seq $((seconds * 10))); do
    kill -0 "$pid" 2>/dev/null || { echo ended; return 0; }
    sleep 0.1
  done
  echo running
}

# The wizards' working folders (ISV*.tmp) in the temporary folder of the
# prefix's user, one per line, sorted.
e2e_work_folders() { ls -d "$E2E_PREFIX"/drive_c/users/*/Temp/ISV*.tmp 2>/dev/null | sort || true; }

# The working folder made since BEFORE (an earlier e2e_work_folders).
e2e_new_work_folder() { comm -13 <(echo "$1") <(e2e_work_folders) | head -1; }

e2e_screenshot() {
  import -display "$DISPLAY" -window root "$E2E_ARTIFACTS/$1.png" 2>/dev/null ||
    echo "screenshot $1 failed"
}

check() {  # check DESCRIPTION ACTUAL EXPECTED
  if [ "$2" == "$3" ]; then
    echo "ok: $1"
  else
    echo "FAIL: $1"
    echo "  expected: $3"
    echo "  actual:   $2"
    E2E_FAILURES=$((E2E_FAILURES + 1))
  fi
}

e2e_finish() {
  if [ "$E2E_FAILURES" -gt 0 ]; then
    echo "$E2E_FAILURES check(s) failed; artifacts in $E2E_ARTIFACTS, logs in $E2E_WORK"
    exit 1
  fi
  echo "all checks passed; artifacts in $E2E_ARTIFACTS"
}

# Waits up to two minutes for control ID on the page shown; "shown" or "not shown".
page_shown() {
  drive --timeout 120000 text "$1" >/dev/null 2>&1 && echo shown || echo "not shown"
}

# The reports the reference server received so far (its events log): "code
# offer failure-or-reason", sorted; a
# download failure is cut after "DOWNLOAD FAILED:" (the rest names clients)
# or after "SHA-256 mismatch:".
reports() {
  python3 - "$VELLAM_DEVSERVER_LOGS/events.jsonl" <<'PY'
import json, sys
lines = []
try:
    for line in open(sys.argv[1]):
        data = json.loads(line)["data"]
        failure = data.get("12") or "-"
        if not failure.startswith("EXEC"):
            failure = " ".join(failure.split()[:4 if "SHA-256" in failure else 2])
        why = data.get("13") or failure
        lines.append(" ".join([data.get("6", ""), data.get("5", "") or "-", why]))
except FileNotFoundError:
    pass
print("\n".join(sorted(lines)))
PY
}

# Waits up to a minute until the reports are EXPECTED; prints what came.
reports_become() {
  local expected=$1 got i
  for i in $(seq 300); do
    got=$(reports)
    [ "$got" == "$expected" ] && break
    sleep 0.2
  done
  echo "$got"
}

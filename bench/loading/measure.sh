#!/usr/bin/env bash
# One series of bench/loading/run (started by it, inside the reference
# server's run): RUNS launches of the ISV installer, each timed from the Next
# on the language page until the warning page after loading is visible.
# Prints one time in seconds per line.
#
#   measure.sh BUILD_DIR PREFIX_DIR RUNS
runs=$3
source "$(dirname "$0")/../../tests/e2e/lib.sh"
e2e_start_display
"$E2E_ROOT/tools/addroot/install-ca" "$E2E_PREFIX" "$E2E_BUILD/addroot.exe" \
  "$VELLAM_DEVSERVER_CERTS" >>"$E2E_WORK/addroot.log" 2>&1 || { echo "CA not installed" >&2; exit 1; }
unset VELLAM_WIZARD_TITLE
for run in $(seq "$runs"); do
  e2e_start "$E2E_BUILD/Vellam.exe"
  e2e_wait_wizard >/dev/null || { echo "no wizard" >&2; exit 1; }
  # The driver's own start is in both series alike.
  start=$(date +%s.%N)
  drive click "$IDC_NEXT" >/dev/null
  drive --timeout 300000 text "$IDC_WARNING_TITLE" >/dev/null ||
    { echo "no warning page in run $run" >&2; exit 1; }
  end=$(date +%s.%N)
  python3 -c "print('%.2f' % ($end - $start))"
  kill "$E2E_LAST_PID" 2>/dev/null || true
  e2e_stop_wine
done

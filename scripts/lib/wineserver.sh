# Sourced by the scripts that end a prefix's Wine processes between runs.
#
#   stop_wineserver
#
# Ends every process of the prefix in WINEPREFIX and waits until its
# wineserver is gone, so the next program starts a fresh one instead of
# meeting a dying one. The server is asked to shut down (SIGINT) and waited
# for, not killed: `wineserver -k` kills it outright when it takes more than
# about ten seconds, as it can on a loaded machine, and the registry changes
# it has not yet saved are lost (a key deleted between runs comes back).
stop_wineserver() {
  wineserver -k2 2>/dev/null || true
  if ! timeout 120 wineserver -w 2>/dev/null; then
    echo "the wineserver of $WINEPREFIX did not end within 120 s; killed" >&2
    wineserver -k9 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
}

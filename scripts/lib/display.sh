# Sourced by every script that needs a private X display for Wine.
#
#   start_display FOLDER
#
# Starts Xvfb on a free display number (recorded in FOLDER/display), waits
# until it has answered, exports DISPLAY and sets XVFB_PID for the caller's
# clean-up. Returns non-zero with a message when Xvfb did not start.
# Start it before any Wine command of a run: a wineserver started without a
# display never gets one, and a program joining that wineserver cannot create
# a window.
start_display() {
  local file="$1/display" i
  rm -f "$file"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$file" 2>/dev/null &
  XVFB_PID=$!
  for i in $(seq 100); do
    [ -s "$file" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$file" ]; then
    echo "Xvfb did not start" >&2
    kill "$XVFB_PID" 2>/dev/null || true
    return 1
  fi
  export DISPLAY=":$(head -1 "$file")"
}

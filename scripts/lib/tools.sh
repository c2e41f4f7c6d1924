# Sourced by the scripts that run by hand (the benchmarks) and need tools
# beyond the build's.
#
#   require_tools WHO TOOL...
#
# Ends the calling script with one message naming every missing TOOL (a
# command name or a path), instead of a later failure that does not say why.
require_tools() {
  local who=$1 tool missing=()
  shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
  done
  [ ${#missing[@]} = 0 ] && return 0
  echo "$who: missing ${missing[*]}; scripts/setup installs what is needed" >&2
  exit 1
}

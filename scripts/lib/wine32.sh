# Sourced by the scripts that run the shipped 32-bit build under Wine.
#
#   why=$(wine32_unavailable) && echo "no 32-bit runs: $why"
#
# wine32_unavailable succeeds, printing why, when this machine cannot run a
# 32-bit Windows program: it starts Wine's 32-bit loader instead of guessing,
# which takes a kernel that executes 32-bit code, the 32-bit C library and
# the wine32 package. When the loader starts it prints nothing and fails.
WINE32_LOADER=/usr/lib/wine/wine
wine32_unavailable() {
  "$WINE32_LOADER" --version >/dev/null 2>&1 && return 1
  if [ ! -e "$WINE32_LOADER" ]; then
    echo "Wine's 32-bit loader is not installed ($WINE32_LOADER, package wine32:i386)"
  elif [ ! -e /lib/ld-linux.so.2 ]; then
    echo "no 32-bit C library (/lib/ld-linux.so.2 is missing)"
  else
    echo "this kernel cannot execute 32-bit code (IA-32 emulation off)"
  fi
}

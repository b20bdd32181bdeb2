#!/usr/bin/env bash
# Runs a command with a Wine session of the build's own: a fresh 32-bit prefix under the
# build folder (made once per run), a private Xvfb display, and a wineserver kept up
# until the command ends. Usage: scripts/with-wine.sh BUILD_DIR COMMAND [ARGS...]
set -euo pipefail

build_dir=$(realpath -m "$1"); shift
# winedbg is disabled: a program that crashes then ends at once with a failure, instead of
# waiting in the crash debugger until the test's timeout runs out.
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINEPREFIX="$build_dir/wineprefix"
mkdir -p "$build_dir"

xvfb_pid=
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
}
trap cleanup EXIT

# A display of our own, whichever number is free.
if [ -z "${DUVISTO_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
  exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
  xvfb_pid=$!
  read -r -t 20 display_number <&3 || { echo "with-wine: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$display_number"
fi

# A fresh prefix each run, so no state leaks from an earlier run.
rm -rf "$WINEPREFIX"
timeout 120 wineboot -i >/dev/null 2>&1
timeout 60 wineserver -w
# Debian's Wine looks for its own fonts (Tahoma, Marlett, MS Sans Serif) beside /usr/share/fonts,
# not where fonts-wine puts them; the prefix's Fonts folder is always read. Without them Wine
# draws caption buttons as letters and substitutes every dialog font.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
# Without a window manager Wine waits about 2 s whenever a window closes: let it not manage windows.
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -p >/dev/null 2>&1 || true  # exits 2 when the server is already up

"$@"

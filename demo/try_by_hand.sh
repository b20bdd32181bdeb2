#!/usr/bin/env bash
# Lets a person at an X display try the plug-in by hand: installs it with the real installer, as
# the demo does, into a sandbox Wine prefix of its own (BUILD_DIR/try/wineprefix, made afresh
# each time), starts a web server on 127.0.0.1 (demo/web_server.py, ended with host.exe) and
# says its address, then starts host.exe on this terminal for users A and B. Its windows appear
# on the person's own display and stay until the person closes them. Never run unattended (CI): it needs
# a display and someone at it.
# Usage: demo/try_by_hand.sh BUILD_DIR [host.exe options]   (BUILD_DIR holds bin/; `make try`)
#        demo/try_by_hand.sh --check-display                 (only whether the display can be used)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

if [ "${1:-}" = --inside-session ]; then
  # The second half, inside the Wine session on the person's display.
  shift
  build=$1; shift
  # A desktop has a window manager: let it move, raise and focus Wine's windows as usual.
  timeout 60 wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
  echo "== Installing Duvisto with installer.exe"
  "$here/install_plugin.sh" "$build"
  transcript="$build/try/transcript.txt"
  # shellcheck source=web_server.sh
  . "$here/web_server.sh"
  start_web_server "$build/try/web-requests.txt"
  echo
  echo "== A web server on this machine, for addresses to open and push: $web_address/"
  echo "   Any path answers with a small page (e.g. A> /xnewurl $web_address/shared-page.html);"
  echo "   each request it receives shows here as a [web] line, and goes to $build/try/web-requests.txt."
  echo "   It ends with host.exe."
  echo
  echo "== host.exe for users A and B on $DISPLAY; the transcript also goes to $transcript"
  echo "   The plug-in's boxes and windows wait for you to close them."
  status=0
  wine "$build/bin/host.exe" --transcript "$(winepath -w "$transcript")" "$@" || status=$?
  stop_web_server
  echo "try: host.exe ended with $status" >&2
  exit "$status"
fi

# The display must be there before anything is built or installed.
check_display() {
  if [ -z "${DISPLAY:-}" ]; then
    echo "try: DISPLAY is not set: run this in a terminal of an X desktop (or over ssh -X)." >&2
    echo "try: for an unattended run on a private display, use make demo." >&2
    exit 1
  fi
  if ! timeout 10 xdpyinfo >/dev/null 2>&1; then
    echo "try: the display $DISPLAY cannot be opened (is the X server up, and may this user use it?)." >&2
    exit 1
  fi
}
check_display
[ "${1:-}" = --check-display ] && exit 0

build=$(realpath "${1:?usage: try_by_hand.sh BUILD_DIR [host.exe options]}"); shift
for f in host.exe installer.exe Duvisto.dll reset_stub.exe install_driver.exe; do
  [ -f "$build/bin/$f" ] || { echo "try: $build/bin/$f is missing; run make dist first" >&2; exit 1; }
done
mkdir -p "$build/try"
DUVISTO_KEEP_DISPLAY=1 exec "$root/scripts/with-wine.sh" "$build/try" "$0" --inside-session "$build" "$@"

#!/usr/bin/env bash
# The two-user story through the host stand-in, browsing pages of a web server of its own on
# 127.0.0.1 (demo/web_server.py, ended with the script): A opens its browser at a page; B does,
# then types another address and presses GO; B switches remote browsing on; A checks B's status
# and B's answer arrives as A's chat line; A pushes a page, A's explanation box and browser
# window appear and are closed, then B's browser opens at the same address in local-and-remote
# mode. The transcript goes to the console (and BUILD_DIR/demo-transcript.txt), each request the
# web server receives as a "[web] GET /path" line beside it (and in BUILD_DIR/demo-web-requests.txt),
# a picture of every window to BUILD_DIR/demo-screenshots/.
#
# Runs inside a Wine session of scripts/with-wine.sh (WINEPREFIX and DISPLAY set), normally after
# install_plugin.sh has installed and registered the plug-in; on its own it registers the
# plug-in from the build. Usage: demo/play_story.sh BUILD_DIR   (the folder with bin/host.exe)
set -euo pipefail

build_dir=$(realpath -m "${1:-build/win32}")
here=$(cd "$(dirname "$0")" && pwd)
: "${WINEPREFIX:?run this inside scripts/with-wine.sh}"
shots="$build_dir/demo-screenshots"
transcript="$build_dir/demo-transcript.txt"
plugins_key='HKLM\SOFTWARE\Vendaro\MsgPlus2\RegisteredPlugins'
class_key='HKCR\CLSID\{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}\InprocServer32'

if ! timeout 60 wine reg query "$plugins_key" /v Duvisto >/dev/null 2>&1; then
  echo "play_story: Duvisto is not announced to the host; registering $build_dir/bin/Duvisto.dll" >&2
  timeout 60 wine regsvr32 /s "$(winepath -w "$build_dir/bin/Duvisto.dll")"
  timeout 60 wine reg add "$plugins_key" /v Duvisto /t REG_SZ /d Duvisto.Browse /f >/dev/null
fi
# The installer starts regsvr32 without waiting for it: give the registration a moment to land.
for _ in $(seq 1 40); do
  timeout 60 wine reg query "$class_key" >/dev/null 2>&1 && break
  sleep 0.5
done

rm -rf "$shots"
mkdir -p "$shots"
requests="$build_dir/demo-web-requests.txt"
# shellcheck source=web_server.sh
. "$here/web_server.sh"
start_web_server "$requests"
echo "== The web server for the story: $web_address (its requests show as [web] lines)"
story="$build_dir/demo-story.txt"  # demo/story.txt with {web} as the server's address
sed "s|{web}|$web_address|g" "$here/story.txt" > "$story"
status=0
timeout 300 wine "$build_dir/bin/host.exe" --pause 800 \
  --screenshots "$(winepath -w "$shots")" \
  --transcript "$(winepath -w "$transcript")" \
  "$(winepath -w "$story")" || status=$?
stop_web_server

# Which window asked for what, from the story's lines: each window asks for what its user typed;
# the pushed page is asked for by A's window first and then by B's (A's is closed before the
# push reaches B).
echo "== What the web server received, in order"
number=0
pushes=0
while read -r _ method path; do
  number=$((number + 1))
  line=$(grep -F -- "{web}$path" "$here/story.txt" | head -1 || true)
  case "$line" in
    "A> /xnewurl "*) pushes=$((pushes + 1))
                     [ $pushes -eq 1 ] && who="A's browser, as A pushes it" || who="B's browser, opened by A's push" ;;
    [AB]"> "*) command=${line#*> }
               who="${line:0:1}'s browser, opened by ${command%% *}" ;;
    "@go "[AB]" "*) who="${line:4:1}'s browser, after GO" ;;
    *) who="a window the story does not name" ;;
  esac
  echo "   $number. [web] $method $path, from $who"
done < "$requests"
[ $number -gt 0 ] || echo "   nothing: no window reached the server"

if command -v convert >/dev/null 2>&1; then
  for bmp in "$shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
fi
echo "play_story: host.exe ended with $status; transcript $transcript, screenshots in $shots" >&2
exit "$status"

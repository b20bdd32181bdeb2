#!/usr/bin/env bash
# The demo, inside the Wine session that scripts/with-wine.sh set up: the real installer puts the
# plug-in into a sandbox host, then two users talk through the host stand-in.
# Usage: demo/run_demo.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)

echo "== Installing Duvisto with installer.exe"
"$here/install_plugin.sh" "$build" "$build/demo-installer.png"
echo
echo "== Two users, A and B, in one conversation"
"$here/play_story.sh" "$build"

#!/usr/bin/env bash
# The demo, inside the Wine session that scripts/with-wine.sh set up: the real installer puts the
# plug-in into a sandbox host, then two users talk through the host stand-in.
# Usage: scripts/demo.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)

echo "== Installing Duvisto with installer.exe"
"$root/scripts/install-demo.sh" "$build"
echo
echo "== Two users, A and B, in one conversation"
"$root/scripts/demo-chat.sh" "$build"

#!/usr/bin/env bash
# Installs Duvisto into a sandbox Messenger Plus! with the real installer, driven like a user
# would: seeds the host's folders and registry values, fills a setup folder with installer.exe,
# Duvisto.dll and a stand-in reset program, presses Yes and Yes, waits for the registration
# and closes the installer. Runs inside a Wine session (scripts/with-wine.sh sets WINEPREFIX
# and DISPLAY). Usage: demo/install_plugin.sh BUILD_DIR [PICTURE.png]   (BUILD_DIR holds bin/;
# PICTURE: where a picture of the installer's window goes)
set -euo pipefail

bin=$(realpath "${1:?usage: install_plugin.sh BUILD_DIR}")/bin
: "${WINEPREFIX:?run inside scripts/with-wine.sh}"
for f in installer.exe Duvisto.dll reset_stub.exe install_driver.exe; do
  [ -f "$bin/$f" ] || { echo "install_plugin: $bin/$f is missing; build the project first" >&2; exit 1; }
done

host_win='C:\Program Files\Messenger Plus! 2'
setup_win='C:\Duvisto Setup'
host="$WINEPREFIX/drive_c/Program Files/Messenger Plus! 2"
setup="$WINEPREFIX/drive_c/Duvisto Setup"

echo "== the sandbox host: $host_win"
mkdir -p "$host/Plugins"
key='HKLM\SOFTWARE\Vendaro\MsgPlus2'
wine reg delete "$key" /f >/dev/null 2>&1 || true
wine reg add "$key" /v BinDir /t REG_SZ /d "$host_win" /f >/dev/null
wine reg add "$key" /v SoftwareBuild /t REG_DWORD /d 2053 /f >/dev/null
wine reg add "$key" /v PluginDir /t REG_SZ /d "$host_win\\Plugins" /f >/dev/null
wine reg add "$key" /v FileNameExe /t REG_SZ /d "$host_win\\MsgPlus.exe" /f >/dev/null
wine reg query "$key" | tr -d '\r' | sed -n 's/^ \+/   /p'

echo "== the setup folder: $setup_win"
rm -rf "$setup"
mkdir -p "$setup"
cp "$bin/installer.exe" "$bin/Duvisto.dll" "$setup/"
cp "$bin/reset_stub.exe" "$setup/msgplusreset.exe"
ls "$setup" | sed 's/^/   /'

echo "== running installer.exe"
status=0
picture=${2:+$(realpath -m "$2")}
if ! wine "$bin/install_driver.exe" "$setup_win\\installer.exe" ${picture:+"$(winepath -w "${picture%.png}.bmp")"} 2>&1 |
    tr -d '\r' | sed 's/^/   /'; then
  status=1
fi
if [ -n "$picture" ] && [ -f "${picture%.png}.bmp" ] && command -v convert >/dev/null 2>&1; then
  convert "${picture%.png}.bmp" "$picture" && rm -f "${picture%.png}.bmp"
fi

echo "== what it left"
if [ -f "$setup/msgplusreset.marker" ]; then
  echo "   reset program started (show state|command line): $(tr -d '\r' < "$setup/msgplusreset.marker" | head -1)"
else
  echo "   reset program: no trace"; status=1
fi
if cmp -s "$setup/Duvisto.dll" "$host/Plugins/Duvisto.dll"; then
  echo "   $host_win\\Plugins\\Duvisto.dll is the plug-in from the setup folder"
else
  echo "   the plug-in was not copied"; status=1
fi
wine reg query "$key\\RegisteredPlugins" /v Duvisto 2>/dev/null | tr -d '\r' | sed -n 's/^ \+/   RegisteredPlugins: /p'

[ $status -eq 0 ] && echo "== Duvisto is installed" || echo "== the installation FAILED"
exit $status

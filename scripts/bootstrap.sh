#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and nothing when all are there.
# Run without root while something is missing, it prints the command to run and fails.
set -euo pipefail

packages=(
  g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686
  wine wine32:i386 libwine-dev fonts-wine
  xvfb xauth x11-utils imagemagick
  cmake make g++ googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
i386_ok=1
dpkg --print-foreign-architectures | grep -qx i386 || i386_ok=0

if [ ${#missing[@]} -eq 0 ] && [ $i386_ok -eq 1 ]; then
  exit 0
fi

cmd="dpkg --add-architecture i386 && apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "bootstrap: missing packages: ${missing[*]}" >&2
  echo "bootstrap: run as root: $cmd" >&2
  exit 1
fi

echo "bootstrap: installing ${missing[*]}" >&2
[ $i386_ok -eq 1 ] || dpkg --add-architecture i386
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"

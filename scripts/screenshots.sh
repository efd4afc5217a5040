#!/usr/bin/env bash
# Takes the screenshots of KestroVox.exe shown in the README (docs/images/*.png):
# builds the Windows program and the console peer, then runs the program under
# Wine on a virtual screen, called by two console peers (scripts/screenshots.py).
# Needs root (network namespaces, as the system tests). Build directories:
#   KV_SCREENSHOTS_WIN     default build/screenshots-win
#   KV_SCREENSHOTS_NATIVE  default build/screenshots-native
# KV_WINE_FONTS=DIR copies the fonts in DIR (those of the package fonts-wine)
# into the prefix, for a machine without that package (the pictures were taken
# with them). KV_KEEP=1 keeps the work files (prefix, recordings) in a
# temporary directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ "$(id -u)" != 0 ]; then
  echo "scripts/screenshots.sh needs root: the program and its callers run in network namespaces." >&2
  exit 1
fi
"$root/scripts/deps.sh"
win=${KV_SCREENSHOTS_WIN:-build/screenshots-win}
native=${KV_SCREENSHOTS_NATIVE:-build/screenshots-native}
cmake -S . -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$win" --target KestroVox kv_dial -j2
cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF >/dev/null
cmake --build "$native" --target kestrovox -j2
exec python3 scripts/screenshots.py "$win" "$native/kestrovox" docs/images

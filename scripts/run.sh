#!/usr/bin/env bash
# Builds KestroVox for Windows and runs it under Wine (on a machine with a
# desktop; without one it runs on a virtual screen). Arguments are passed on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/deps.sh"

cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/windows --target KestroVox
source "$root/scripts/wine-env.sh"
wine_up
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: running on a virtual screen (xvfb-run)." >&2
  exec xvfb-run -a wine "$root/build/windows/KestroVox.exe" "$@"
fi
exec wine "$root/build/windows/KestroVox.exe" "$@"

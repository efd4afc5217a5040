#!/usr/bin/env bash
# Builds KestroVox and runs it:
#   scripts/run.sh                     KestroVox.exe under Wine (a tray icon; on a
#                                      machine without a desktop, on a virtual screen)
#   scripts/run.sh --console [OPTIONS] the console peer kestrovox, natively
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/deps.sh"

if [ "${1:-}" = "--console" ]; then
  shift
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF >/dev/null
  cmake --build build/release --target kestrovox
  exec ./build/release/kestrovox "$@"
fi

cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/windows --target KestroVox
source "$root/scripts/wine-env.sh"
wine_up
cd build/windows  # the ring sound lies beside the executable
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: running on a virtual screen (xvfb-run)." >&2
  exec xvfb-run -a wine KestroVox.exe "$@"
fi
exec wine KestroVox.exe "$@"

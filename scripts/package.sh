#!/usr/bin/env bash
# Builds the three release artefacts into build/dist (or OUTDIR):
#   KestroVox-1.30-setup.exe   Windows installer (per user, no administrator rights)
#   KestroVox-1.30-win64.zip   the program, its ring sound and a short text
#   kestrovox_1.30_amd64.deb   the console peer with its manual page
#
#   ./scripts/package.sh [OUTDIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/deps.sh"
out=${1:-build/dist}

cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/windows --target KestroVox
packaging/windows/build.sh "$out" build/windows
packaging/debian/build.sh "$out"
